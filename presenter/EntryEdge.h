#pragma once
// Which screen edge the main window travels in from, and where it waits outside
// that edge before it is first shown.

// 0 left, 1 right, 2 top, 3 bottom.
enum EntryEdge { kLeftEdge = 0, kRightEdge = 1, kTopEdge = 2, kBottomEdge = 3 };

// The edge for a minute of the hour (0 to 59): each quarter of an hour, roughly,
// has its own edge.
EntryEdge EntryEdgeForMinute(int minute);

struct ParkingPlace {
  int left;
  int top;
};

// Outside the edge, centred along it, for a window designed 600 pixels square.
ParkingPlace ParkingPlaceFor(EntryEdge edge, int screenWidth, int screenHeight);
