#include "picture/readers/jpeg/JpegErrors.h"

#include <jerror.h>

#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

// The codes of the linked library, by name, with the number that the message
// list of release 6a (API version 61) gave the same message. That list is the
// linked list (numbered for API version 62) without JERR_BAD_DCT_COEF, so every
// code after it is one lower. Messages the 6a list did not have at all are shown
// as 1000 plus the linked library's own number (see JpegDisplayedCode); the table
// names them explicitly so that the rule is visible here.
struct TCodePair {
  int library;
  int shown;
};

constexpr int kNotIn6a = -1;

const TCodePair kCodes[] = {
    {JMSG_NOMESSAGE, 0},
    {JERR_ARITH_NOTIMPL, 1},
    {JERR_BAD_ALIGN_TYPE, 2},
    {JERR_BAD_ALLOC_CHUNK, 3},
    {JERR_BAD_BUFFER_MODE, 4},
    {JERR_BAD_COMPONENT_ID, 5},
    {JERR_BAD_DCT_COEF, kNotIn6a},
    {JERR_BAD_DCTSIZE, 6},
    {JERR_BAD_HUFF_TABLE, 7},
    {JERR_BAD_IN_COLORSPACE, 8},
    {JERR_BAD_J_COLORSPACE, 9},
    {JERR_BAD_LENGTH, 10},
    {JERR_BAD_LIB_VERSION, 11},
    {JERR_BAD_MCU_SIZE, 12},
    {JERR_BAD_POOL_ID, 13},
    {JERR_BAD_PRECISION, 14},
    {JERR_BAD_PROGRESSION, 15},
    {JERR_BAD_PROG_SCRIPT, 16},
    {JERR_BAD_SAMPLING, 17},
    {JERR_BAD_SCAN_SCRIPT, 18},
    {JERR_BAD_STATE, 19},
    {JERR_BAD_STRUCT_SIZE, 20},
    {JERR_BAD_VIRTUAL_ACCESS, 21},
    {JERR_BUFFER_SIZE, 22},
    {JERR_CANT_SUSPEND, 23},
    {JERR_CCIR601_NOTIMPL, 24},
    {JERR_COMPONENT_COUNT, 25},
    {JERR_CONVERSION_NOTIMPL, 26},
    {JERR_DAC_INDEX, 27},
    {JERR_DAC_VALUE, 28},
    {JERR_DHT_INDEX, 29},
    {JERR_DQT_INDEX, 30},
    {JERR_EMPTY_IMAGE, 31},
    {JERR_EMS_READ, 32},
    {JERR_EMS_WRITE, 33},
    {JERR_EOI_EXPECTED, 34},
    {JERR_FILE_READ, 35},
    {JERR_FILE_WRITE, 36},
    {JERR_FRACT_SAMPLE_NOTIMPL, 37},
    {JERR_HUFF_CLEN_OVERFLOW, 38},
    {JERR_HUFF_MISSING_CODE, 39},
    {JERR_IMAGE_TOO_BIG, 40},
    {JERR_INPUT_EMPTY, 41},
    {JERR_INPUT_EOF, 42},
    {JERR_MISMATCHED_QUANT_TABLE, 43},
    {JERR_MISSING_DATA, 44},
    {JERR_MODE_CHANGE, 45},
    {JERR_NOTIMPL, 46},
    {JERR_NOT_COMPILED, 47},
    {JERR_NO_BACKING_STORE, 48},
    {JERR_NO_HUFF_TABLE, 49},
    {JERR_NO_IMAGE, 50},
    {JERR_NO_QUANT_TABLE, 51},
    {JERR_NO_SOI, 52},
    {JERR_OUT_OF_MEMORY, 53},
    {JERR_QUANT_COMPONENTS, 54},
    {JERR_QUANT_FEW_COLORS, 55},
    {JERR_QUANT_MANY_COLORS, 56},
    {JERR_SOF_DUPLICATE, 57},
    {JERR_SOF_NO_SOS, 58},
    {JERR_SOF_UNSUPPORTED, 59},
    {JERR_SOI_DUPLICATE, 60},
    {JERR_SOS_NO_SOF, 61},
    {JERR_TFILE_CREATE, 62},
    {JERR_TFILE_READ, 63},
    {JERR_TFILE_SEEK, 64},
    {JERR_TFILE_WRITE, 65},
    {JERR_TOO_LITTLE_DATA, 66},
    {JERR_UNKNOWN_MARKER, 67},
    {JERR_VIRTUAL_BUG, 68},
    {JERR_WIDTH_OVERFLOW, 69},
    {JERR_XMS_READ, 70},
    {JERR_XMS_WRITE, 71},
    {JERR_BAD_CROP_SPEC, kNotIn6a},
    {JERR_BAD_DROP_SAMPLING, kNotIn6a},
#if defined(C_ARITH_CODING_SUPPORTED) || defined(D_ARITH_CODING_SUPPORTED)
    {JERR_NO_ARITH_TABLE, kNotIn6a},
#endif
};

void ErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  std::longjmp(manager->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* manager = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) manager->dataEnded = true;
  // The entropy decoder ran into the end marker put in for the missing data.
  if (cinfo->err->msg_code == JWRN_HIT_MARKER && manager->dataEnded) manager->partMissing = true;
}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }

void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
  auto* manager = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  manager->dataEnded = false;
  manager->partMissing = false;
}

}  // namespace

int JpegDisplayedCode(int libraryCode) {
  for (const TCodePair& pair : kCodes) {
    if (pair.library == libraryCode) return pair.shown == kNotIn6a ? 1000 + libraryCode : pair.shown;
  }
  return 1000 + libraryCode;
}

jpeg_error_mgr* InitJpegErrorManager(TJpegErrorManager& manager) {
  manager.pub = jpeg_error_mgr{};
  manager.pub.error_exit = ErrorExit;
  manager.pub.emit_message = EmitMessage;
  manager.pub.output_message = OutputMessage;
  manager.pub.format_message = FormatMessage;
  manager.pub.reset_error_mgr = ResetErrorManager;
  manager.pending = nullptr;
  manager.dataEnded = false;
  manager.partMissing = false;
  return &manager.pub;
}

bool RunJpegStep(TJpegErrorManager& manager, void (*step)(void*), void* argument) {
  if (setjmp(manager.jump) != 0) return false;
  step(argument);
  return true;
}

void RaiseJpegFailure(TJpegErrorManager& manager) {
  if (manager.pending) {
    std::exception_ptr failure = manager.pending;
    manager.pending = nullptr;
    std::rethrow_exception(failure);
  }
  if (manager.pub.msg_code == JERR_OUT_OF_MEMORY) throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  throw EJPEG(ResFormat(IDS_JPEG_ERROR, {JpegDisplayedCode(manager.pub.msg_code)}));
}

void KeepCallbackFailure(j_common_ptr cinfo) {
  reinterpret_cast<TJpegErrorManager*>(cinfo->err)->pending = std::current_exception();
}

void FailFromCallback(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TJpegErrorManager*>(cinfo->err)->jump, 1);
}
