#pragma once

#include <algorithm>

namespace brindlecap {

// Global screen geometry in points; y grows upwards, origin at the primary screen's bottom-left.
struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  Point origin;
  Size size;

  constexpr Rect() = default;
  constexpr Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

  double minX() const { return origin.x; }
  double minY() const { return origin.y; }
  double maxX() const { return origin.x + size.width; }
  double maxY() const { return origin.y + size.height; }
  double midX() const { return origin.x + size.width / 2; }
  double midY() const { return origin.y + size.height / 2; }
  bool isEmpty() const { return size.width <= 0 || size.height <= 0; }

  // Half-open on the max edges, like the platform's own point-in-rect test.
  bool contains(Point p) const {
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
  }
  // Positive d shrinks the rectangle on every side.
  Rect insetBy(double dx, double dy) const {
    return Rect(origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy);
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace brindlecap
