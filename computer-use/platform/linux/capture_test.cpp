// The X capture against the real headless desktop (window manager and compositor running).

// GoogleTest first: Xlib defines None as a macro, which gtest's own None would meet.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "platform/linux/backends.h"
#include "platform/linux/x11.h"

extern char** environ;

namespace platform::linux_desktop {
namespace {

using Rgba = std::array<int, 4>;

// Waits for a condition the desktop reaches asynchronously; false if it never does.
bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// An application of its own connection: a window whose background the server paints, so
// the pixels are known without any drawing code.
class TestWindow {
 public:
  TestWindow(Display* d, int x, int y, int width, int height, unsigned long background,
             XVisualInfo* visual = nullptr)
      : d_(d) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = background;
    attributes.border_pixel = 0;
    unsigned long mask = CWBackPixel | CWBorderPixel;
    Visual* v = CopyFromParent;
    int depth = CopyFromParent;
    if (visual) {
      attributes.colormap = XCreateColormap(d, DefaultRootWindow(d), visual->visual, AllocNone);
      mask |= CWColormap;
      v = visual->visual;
      depth = visual->depth;
    }
    window_ = XCreateWindow(d, DefaultRootWindow(d), x, y, width, height, 0, depth, InputOutput, v,
                            mask, &attributes);
    // Keep the window manager's placement out of the way: the position asked for is used.
    XSizeHints hints{};
    hints.flags = USPosition | PPosition;
    hints.x = x;
    hints.y = y;
    XSetWMNormalHints(d, window_, &hints);
    XStoreName(d, window_, "capture test");
  }
  ~TestWindow() {
    XDestroyWindow(d_, window_);
    XSync(d_, False);
  }

  Window id() const { return window_; }

  void addChild(int x, int y, int width, int height, unsigned long background) {
    Window child = XCreateSimpleWindow(d_, window_, x, y, width, height, 0, 0, background);
    XMapWindow(d_, child);
  }

  // Maps and waits until the window manager has framed it and the frame is viewable (or,
  // on a desktop without a window manager, until the window itself is).
  bool show(bool managed = true) {
    XMapWindow(d_, window_);
    XSync(d_, False);
    return eventually([&] { return managed ? framed() && extents().has_value() : viewable(); });
  }

  // The window manager's parent, or the window itself when it is unmanaged.
  Window frame() const {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    XQueryTree(d_, window_, &root, &parent, &children, &n);
    if (children) XFree(children);
    return parent == root ? window_ : parent;
  }

  bool viewable() const {
    XWindowAttributes a;
    return XGetWindowAttributes(d_, frame(), &a) && a.map_state == IsViewable;
  }

  bool framed() const { return frame() != window_ && viewable(); }

  // Left, right, top, bottom.
  std::optional<std::array<long, 4>> extents() const {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(d_, window_, XInternAtom(d_, "_NET_FRAME_EXTENTS", False), 0, 4, False,
                       XA_CARDINAL, &type, &format, &count, &after, &data);
    if (!data) return std::nullopt;
    std::array<long, 4> e{};
    if (count == 4) {
      auto* items = reinterpret_cast<long*>(data);
      e = {items[0], items[1], items[2], items[3]};
    }
    XFree(data);
    if (count != 4) return std::nullopt;
    return e;
  }

  XWindowAttributes frameAttributes() const {
    XWindowAttributes a{};
    XGetWindowAttributes(d_, frame(), &a);
    return a;
  }

 private:
  Display* d_;
  Window window_;
};

struct Png {
  int width = 0;
  int height = 0;
  bool rgba8 = false;
  std::vector<png_byte> pixels;
  Rgba at(int x, int y) const {
    const png_byte* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
};

std::optional<Png> readPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  Png png;
  png.width = static_cast<int>(image.width);
  png.height = static_cast<int>(image.height);
  png.rgba8 = image.format == PNG_FORMAT_RGBA;
  image.format = PNG_FORMAT_RGBA;
  png.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, png.pixels.data(), 0, nullptr)) return std::nullopt;
  return png;
}

constexpr unsigned long blue = 0x0000ff, red = 0xff0000, green = 0x00ff00;

// A 300x200 blue window with a red 60x30 block at (50, 40) of its client area.
std::unique_ptr<TestWindow> target(Display* d, int x, int y) {
  auto w = std::make_unique<TestWindow>(d, x, y, 300, 200, blue);
  w->addChild(50, 40, 60, 30, red);
  return w;
}

// Captures at the captured size and reads the written file back.
std::optional<Png> captured(Capture& capture, Window id, const std::string& path) {
  Image image = capture.windowImage(static_cast<uint32_t>(id), "", 8.0);
  if (!image) return std::nullopt;
  // writePNG creates its file exclusively, as every writer of the activity files does.
  std::remove(path.c_str());
  if (!capture.writePNG(image, path)) return std::nullopt;
  return readPng(path);
}

// The client's red block and blue background land where the frame extents put them.
void expectClientPixels(const TestWindow& w, const Png& png) {
  auto e = w.extents().value_or(std::array<long, 4>{});
  XWindowAttributes frame = w.frameAttributes();
  EXPECT_EQ(png.width, 300 + e[0] + e[1]);
  EXPECT_EQ(png.height, 200 + e[2] + e[3]);
  EXPECT_EQ(png.width, frame.width + 2 * frame.border_width);
  EXPECT_EQ(png.at(e[0] + 50, e[2] + 40), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(png.at(e[0] + 109, e[2] + 69), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(png.at(e[0] + 49, e[2] + 40), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(png.at(e[0] + 110, e[2] + 70), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(png.at(e[0] + 299, e[2] + 199), (Rgba{0, 0, 255, 255}));
}

std::string testPngPath() { return "/tmp/dorv-capture-test-" + std::to_string(getpid()) + ".png"; }

class X11CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr) << "needs the headless desktop (scripts/with-desktop.sh)";
    capture = makeCapture();
  }
  void TearDown() override {
    std::remove(path.c_str());
    if (d) XCloseDisplay(d);
  }

  std::unique_ptr<TestWindow> target(int x, int y) { return linux_desktop::target(d, x, y); }
  std::optional<Png> captured(Window id) { return linux_desktop::captured(*capture, id, path); }

  Display* d = nullptr;
  std::unique_ptr<Capture> capture;
  std::string path = testPngPath();
};

TEST_F(X11CaptureTest, FrameImageSharesTheWindowListOrigin) {
  auto w = target(200, 150);
  ASSERT_TRUE(w->show());
  auto png = captured(w->id());
  ASSERT_TRUE(png);
  EXPECT_TRUE(png->rgba8);
  expectClientPixels(*w, *png);

  // Pictures of the user's windows are readable by the user alone.
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // The frame window's own number gives the same picture.
  auto byFrame = captured(w->frame());
  ASSERT_TRUE(byFrame);
  EXPECT_EQ(byFrame->pixels, png->pixels);
}

TEST_F(X11CaptureTest, CoveredAndPartlyOffScreenWindowsComeOutWhole) {
  auto w = target(100, 100);
  ASSERT_TRUE(w->show());
  TestWindow cover(d, 80, 80, 500, 400, green);
  ASSERT_TRUE(cover.show());
  XRaiseWindow(d, cover.frame());
  XSync(d, False);
  auto covered = captured(w->id());
  ASSERT_TRUE(covered);
  expectClientPixels(*w, *covered);

  XMoveWindow(d, w->frame(), -150, 700);  // off the left and the bottom of the 1280x800 screen
  XSync(d, False);
  ASSERT_TRUE(eventually([&] { return w->frameAttributes().x == -150; }));
  auto offScreen = captured(w->id());
  ASSERT_TRUE(offScreen);
  expectClientPixels(*w, *offScreen);
}

TEST_F(X11CaptureTest, WindowsThatCannotBeReadGiveNone) {
  auto w = target(100, 100);
  ASSERT_TRUE(w->show());
  XIconifyWindow(d, w->id(), DefaultScreen(d));
  XSync(d, False);
  ASSERT_TRUE(eventually([&] { return !w->framed(); }));
  EXPECT_FALSE(capture->windowImage(static_cast<uint32_t>(w->id()), "", 8.0));

  Window gone = w->id();
  w.reset();
  EXPECT_FALSE(capture->windowImage(static_cast<uint32_t>(gone), "", 8.0));
  EXPECT_FALSE(capture->windowImage(0, "", 8.0));
}

// Captures run on a thread beside the run's other X work: each side sees its own errors only.
TEST_F(X11CaptureTest, CapturesBesideOtherXWorkKeepTheirErrorsApart) {
  auto w = target(100, 100);
  ASSERT_TRUE(w->show());
  Window gone = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(d, gone);
  XSync(d, False);
  std::atomic<int> misread{0};
  std::thread other([&] {
    XWindowAttributes a;
    for (int i = 0; i < 300; ++i) {
      if (checked([&](Display* shared) { XGetWindowAttributes(shared, gone, &a); })) ++misread;
      if (!checked([&](Display* shared) { XGetWindowAttributes(shared, DefaultRootWindow(shared), &a); })) ++misread;
    }
  });
  for (int i = 0; i < 30; ++i) {
    EXPECT_TRUE(capture->windowImage(static_cast<uint32_t>(w->id()), "", 8.0));
    EXPECT_FALSE(capture->windowImage(static_cast<uint32_t>(gone), "", 8.0));
  }
  other.join();
  EXPECT_EQ(misread, 0);
}

TEST_F(X11CaptureTest, TranslucentWindowsKeepStraightAlpha) {
  XVisualInfo argb;
  ASSERT_TRUE(XMatchVisualInfo(d, DefaultScreen(d), 32, TrueColor, &argb));
  // Premultiplied half-transparent red, as the server stores it.
  TestWindow w(d, 300, 300, 120, 80, 0x80800000, &argb);
  ASSERT_TRUE(w.show());
  auto png = captured(w.id());
  ASSERT_TRUE(png);
  auto e = *w.extents();
  Rgba pixel = png->at(e[0] + 60, e[2] + 40);
  EXPECT_EQ(pixel[3], 128);
  EXPECT_NEAR(pixel[0], 255, 1);
  EXPECT_EQ(pixel[1], 0);
  EXPECT_EQ(pixel[2], 0);
}

TEST_F(X11CaptureTest, ScalingAveragesInsteadOfSkippingPixels) {
  // White one-pixel lines every fourth column on black: shrunk by four, every pixel covers one
  // line, wherever the frame puts the client. Sampling without averaging would give columns
  // of pure black or pure white.
  auto w = std::make_unique<TestWindow>(d, 100, 100, 400, 100, 0x000000);
  for (int x = 0; x < 400; x += 4) w->addChild(x, 0, 1, 100, 0xffffff);
  ASSERT_TRUE(w->show());
  Image image = capture->windowImage(static_cast<uint32_t>(w->id()), "", 8.0);
  ASSERT_TRUE(image);
  auto e = *w->extents();
  Image small = capture->scaled(image, image->width() / 4, image->height() / 4);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->width(), image->width() / 4);
  ASSERT_TRUE(capture->writePNG(small, path));
  auto png = readPng(path);
  ASSERT_TRUE(png);
  for (int x = (e[0] + 40) / 4; x < (e[0] + 360) / 4; ++x) {
    Rgba p = png->at(x, (e[2] + 50) / 4);
    EXPECT_NEAR(p[0], 64, 12) << "column " << x;
    EXPECT_EQ(p[3], 255);
  }

  EXPECT_EQ(capture->scaled(image, image->width(), image->height()), image);
  EXPECT_FALSE(capture->scaled(image, 0, 10));
  EXPECT_FALSE(capture->writePNG(image, "/nonexistent-dir/x.png"));
}

}  // namespace
}  // namespace platform::linux_desktop


namespace platform::linux_desktop {
namespace {

// A private X server without compositor (and without window manager): nothing keeps windows
// off the screen, so the capture has to redirect the window itself and wait for its paint.
class BareServer {
 public:
  BareServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args{"Xvfb", "-displayfd", fd, "-screen", "0", "1280x800x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    pollfd ready{fds[0], POLLIN, 0};
    char number[16] = {};
    if (pid_ > 0 && poll(&ready, 1, 10000) == 1 && read(fds[0], number, sizeof number - 1) > 0)
      display_ = ":" + std::string(number, strcspn(number, "\n"));
    close(fds[0]);
  }
  ~BareServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  // Empty when the server did not start.
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

bool refused = false;

void captureOnBareServer() {
  BareServer server;
  ASSERT_FALSE(server.display().empty());
  setenv("DISPLAY", server.display().c_str(), 1);
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  auto capture = makeCapture();
  const std::string path = testPngPath();
  {
    auto w = target(d, -150, 100);  // partly off the screen
    ASSERT_TRUE(w->show(false));
    TestWindow cover(d, 80, 80, 500, 400, green);
    ASSERT_TRUE(cover.show(false));
    auto png = captured(*capture, w->id(), path);
    ASSERT_TRUE(png);
    expectClientPixels(*w, *png);
    // The redirection lasted only for the capture: naming the pixmap is refused again.
    XSync(d, False);
    auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return (refused = true), 0; });
    XCompositeNameWindowPixmap(d, w->id());
    XSync(d, False);
    XSetErrorHandler(previous);
    EXPECT_TRUE(refused) << "the window is still redirected";
  }
  {
    // Painted by its client on exposure, as toolkits do: the part off the screen exists only
    // once the client has repainted the window into its new pixmap.
    Display* painter = XOpenDisplay(nullptr);
    ASSERT_NE(painter, nullptr);
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask;
    Window w = XCreateWindow(painter, DefaultRootWindow(painter), 1100, 300, 300, 100, 0,
                             CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &attributes);
    GC gc = XCreateGC(painter, w, 0, nullptr);
    XSetForeground(painter, gc, red);
    XMapWindow(painter, w);
    XSync(painter, False);
    std::thread client([&] {
      for (;;) {
        XEvent event;
        XNextEvent(painter, &event);
        if (event.type == ClientMessage) return;
        if (event.type == Expose) {
          XFillRectangle(painter, w, gc, 0, 0, 300, 100);
          XFlush(painter);
        }
      }
    });
    auto png = captured(*capture, w, path);
    XEvent stop{};
    stop.xclient.type = ClientMessage;
    stop.xclient.window = w;
    stop.xclient.format = 32;
    Display* other = XOpenDisplay(nullptr);
    XSendEvent(other, w, False, 0, &stop);
    XFlush(other);
    client.join();
    XCloseDisplay(other);
    XCloseDisplay(painter);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->at(50, 50), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(png->at(250, 50), (Rgba{255, 0, 0, 255}));  // beyond the screen's right edge
  }
  std::remove(path.c_str());
  XCloseDisplay(d);
}

TEST(X11CaptureWithoutCompositor, RedirectsForTheMomentAndWaitsForThePaint) {
  // A fresh process, so that the backend's one X connection goes to the private server.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        captureOnBareServer();
        std::exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace platform::linux_desktop
