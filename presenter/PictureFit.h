#pragma once
// Sizing the window's client area to a picture and fitting the picture into it:
// the window becomes a square of the picture's longer side when the shorter side
// is under 600 pixels, and the picture is scaled to the client area, 10 pixels
// short in its fitted direction, and centred.

struct ClientSize {
  int width;
  int height;
};

// The client size to ask for; `current` when the picture's shorter side is 600
// or more. Not meaningful for an empty picture.
ClientSize ClientSizeForPicture(int pictureWidth, int pictureHeight, ClientSize current);

struct PictureBounds {
  int left;
  int top;
  int width;
  int height;
};

// Where the picture goes in a client area of the given size. The scale is a
// fixed-point factor of 100000 taken from the full client size; the arithmetic is
// done in 64 bits so that no client size overflows it. The picture must not be
// empty.
PictureBounds FitPicture(int pictureWidth, int pictureHeight, ClientSize client);
