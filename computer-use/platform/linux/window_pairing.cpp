#include "platform/linux/window_pairing.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace platform::linux_desktop {
namespace {

// Shadows and decorations stay within this many points of a side.
constexpr double maxSlack = 96;

struct Fit {
  double distance = 0;
  std::optional<Point> origin;
};

bool atZero(const Point& p) { return p.x == 0 && p.y == 0; }

// The toolkit's (0,0) for extents without a screen position: the content of the rectangle, the
// difference in size split evenly between the sides.
Point contentOrigin(const Rect& extents, const Rect& r) {
  return {r.origin.x + std::floor((r.size.width - extents.size.width) / 2),
          r.origin.y + std::floor((r.size.height - extents.size.height) / 2)};
}

std::optional<Fit> fit(const Rect& extents, const ClientWindow& client) {
  std::optional<Fit> best;
  for (const Rect& r : {client.frame, client.client, client.content}) {
    const double size = std::abs(extents.size.width - r.size.width) + std::abs(extents.size.height - r.size.height);
    const bool positioned = !atZero(extents.origin) || atZero(r.origin);
    const double position =
        positioned ? std::abs(extents.origin.x - r.origin.x) + std::abs(extents.origin.y - r.origin.y) : 0;
    if (size > 2 * maxSlack || position > 2 * maxSlack) continue;
    // Without a position the same size says less.
    Fit f{size + position + (positioned ? 0 : 1), std::nullopt};
    if (!positioned) f.origin = contentOrigin(extents, r);
    if (!best || f.distance < best->distance) best = f;
  }
  return best;
}

}  // namespace

std::vector<std::optional<Pairing>> pairWindows(const std::vector<AccessibleWindowFacts>& windows,
                                                const std::vector<ClientWindow>& clients) {
  struct Candidate {
    double distance;
    bool titleDiffers;
    size_t fromTop;
    size_t window, client;
    std::optional<Point> origin;
  };
  std::vector<Candidate> candidates;
  for (size_t w = 0; w < windows.size(); ++w) {
    if (!windows[w].extents) continue;
    for (size_t c = 0; c < clients.size(); ++c)
      if (auto f = fit(*windows[w].extents, clients[c]))
        candidates.push_back({f->distance, windows[w].title != clients[c].title, clients.size() - 1 - c, w, c,
                              f->origin});
  }
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return std::tie(a.distance, a.titleDiffers, a.fromTop) < std::tie(b.distance, b.titleDiffers, b.fromTop);
  });
  std::vector<std::optional<Pairing>> pairs(windows.size());
  std::vector<bool> taken(clients.size(), false);
  for (const Candidate& c : candidates) {
    if (pairs[c.window] || taken[c.client]) continue;
    pairs[c.window] = Pairing{c.client, c.origin};
    taken[c.client] = true;
  }
  if (windows.size() == 1 && clients.size() == 1 && !pairs[0]) {
    Pairing only{0, std::nullopt};
    const auto& extents = windows[0].extents;
    if (extents && atZero(extents->origin) && !atZero(clients[0].content.origin))
      only.origin = contentOrigin(*extents, clients[0].content);
    pairs[0] = only;
  }
  return pairs;
}

}  // namespace platform::linux_desktop
