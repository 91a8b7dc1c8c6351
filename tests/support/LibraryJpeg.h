#pragma once
// Writing a JPEG file with the JPEG library alone, independent of the program's
// own coder: for pictures the tests start from.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

// Compresses height rows of width pixels in the given colour space; rowAt(y)
// gives row y. `adjust` runs after the library's defaults are set.
inline std::vector<uint8_t> LibraryJpeg(int width, int height, int components, J_COLOR_SPACE space,
                                        const std::function<const uint8_t*(int y)>& rowAt,
                                        const std::function<void(jpeg_compress_struct&)>& adjust = nullptr) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  if (adjust) adjust(cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPROW>(rowAt(static_cast<int>(cinfo.next_scanline)))};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> file(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return file;
}
