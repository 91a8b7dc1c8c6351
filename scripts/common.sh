# Shared settings of the project's scripts; sourced, never run.
MIROKATE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Everything built or installed outside git lives here, so a fresh clone reuses it.
MIROKATE_CACHE=${MIROKATE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mirokate}
MIROKATE_JPEG_PREFIX="$MIROKATE_CACHE/libjpeg-turbo"
MIROKATE_WEBP_PREFIX="$MIROKATE_CACHE/libwebp"
# The HEIF and AVIF readers: libheif with its HEVC (libde265) and AV1 (dav1d) decoders.
MIROKATE_DE265_PREFIX="$MIROKATE_CACHE/libde265"
MIROKATE_DAV1D_PREFIX="$MIROKATE_CACHE/dav1d"
MIROKATE_HEIF_PREFIX="$MIROKATE_CACHE/libheif"
MIROKATE_BUILD=${MIROKATE_BUILD:-$MIROKATE_ROOT/build}
export MIROKATE_ROOT MIROKATE_CACHE MIROKATE_JPEG_PREFIX MIROKATE_WEBP_PREFIX MIROKATE_BUILD
export MIROKATE_DE265_PREFIX MIROKATE_DAV1D_PREFIX MIROKATE_HEIF_PREFIX

# Setup runs again whenever one of the scripts that define the environment changes.
setup_fingerprint() {
  cat "$MIROKATE_ROOT/scripts/setup" "$MIROKATE_ROOT/scripts/wine-runner" \
      "$MIROKATE_ROOT/scripts/common.sh" "$MIROKATE_ROOT/cmake/i686-w64-mingw32.cmake" \
      "$MIROKATE_ROOT/cmake/i686-w64-mingw32.meson" "$MIROKATE_ROOT/cmake/libde265-slim-locks.patch" \
    | md5sum | cut -c1-12
}

ensure_setup() {
  if [ ! -f "$MIROKATE_CACHE/.setup-$(setup_fingerprint)" ]; then
    "$MIROKATE_ROOT/scripts/setup"
  fi
}
