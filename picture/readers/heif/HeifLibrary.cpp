#include "picture/readers/heif/HeifLibrary.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"

void HeifEdge::RaiseDamaged() const {
  const TPictureFailureText text = DamagedPictureText(file_, format_);
  throw EInvalidGraphic(text.message, text.reason);
}

void HeifEdge::Raise(const heif_error& error) const {
  switch (error.code) {
    case heif_error_Memory_allocation_error:
      throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
    // A sound file in a coding or with a feature that this build lacks (an image
    // coded as JPEG or uncompressed, say) is not damaged. A box of a version
    // nobody writes, or a file type the file's own first box did not name when
    // it was chosen, is damage.
    case heif_error_Unsupported_feature: {
      if (error.subcode == heif_suberror_Unsupported_data_version) RaiseDamaged();
      const TPictureFailureText text = UnsupportedVariantText(file_, format_);
      throw EInvalidGraphic(text.message, text.reason);
    }
    default:
      // Errors in the file's boxes, its coded data or past the library's limits.
      RaiseDamaged();
  }
}

void HeifEdge::Raise(const std::exception_ptr& thrown) const {
  try {
    std::rethrow_exception(thrown);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  } catch (...) {
    // The libraries throw only for their own faults, which a file provoked.
    RaiseDamaged();
  }
}
