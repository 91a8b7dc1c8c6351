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

// Far from every screen, whatever the window's size: where the window is laid
// out and its picture made ready, unseen. The system parks minimized windows
// there too.
ParkingPlace OutOfSight();

// Outside the edge for a window of outer size width by height, where it starts
// its way in once it has been sized to the picture. Right and bottom are measured
// from the window's own size, not the screen's, so on a large screen the window
// starts inside it.
ParkingPlace StartPlaceFor(EntryEdge edge, int width, int height, int screenWidth, int screenHeight);

// Moves the place one step of 32 pixels towards the centre of the screen along
// the edge's direction; false (place unchanged) once it has arrived. The last
// step may pass the centre by up to 31 pixels.
bool StepTowardsCentre(EntryEdge edge, ParkingPlace& place, int width, int height, int screenWidth,
                       int screenHeight);
