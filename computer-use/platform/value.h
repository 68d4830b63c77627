#pragma once
// Dynamically typed values as the platform hands them out: accessibility attribute values,
// window-list dictionaries. The core checks every type itself, so a value of the wrong
// type is an ordinary case, never an error.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace platform {

struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  Point origin;
  Size size;
  bool operator==(const Rect&) const = default;
};

// One user-interface object of another process. Backends derive from it; the core only
// holds it through AXUIElement.
class ElementObject {
 public:
  virtual ~ElementObject() = default;
};

// An owned, reference-counted accessibility element handle. Empty means "no element".
class AXUIElement {
 public:
  AXUIElement() = default;
  explicit AXUIElement(std::shared_ptr<const ElementObject> object) : object_(std::move(object)) {}
  explicit operator bool() const { return object_ != nullptr; }
  const ElementObject* get() const { return object_.get(); }
  bool operator==(const AXUIElement& other) const { return object_ == other.object_; }

 private:
  std::shared_ptr<const ElementObject> object_;
};

class Value;
using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value>;

// None, a boolean, an integer number, a floating-point number, a string, an element, an
// array, a dictionary, a point or a size.
class Value {
 public:
  using Storage = std::variant<std::monostate, bool, int64_t, double, std::string, AXUIElement,
                               Array, Dictionary, Point, Size>;

  Value() = default;
  Value(bool v) : storage_(v) {}
  Value(int v) : storage_(int64_t{v}) {}
  Value(int64_t v) : storage_(v) {}
  Value(uint32_t v) : storage_(int64_t{v}) {}
  Value(double v) : storage_(v) {}
  Value(const char* v) : storage_(std::string(v)) {}
  Value(std::string v) : storage_(std::move(v)) {}
  Value(AXUIElement v) : storage_(std::move(v)) {}
  Value(Array v) : storage_(std::move(v)) {}
  Value(Dictionary v) : storage_(std::move(v)) {}
  Value(Point v) : storage_(v) {}
  Value(Size v) : storage_(v) {}

  bool isNone() const { return std::holds_alternative<std::monostate>(storage_); }

  // The held value when it has type T, else nullptr.
  template <class T>
  const T* get() const {
    return std::get_if<T>(&storage_);
  }

  const Storage& storage() const { return storage_; }

 private:
  Storage storage_;
};

}  // namespace platform
