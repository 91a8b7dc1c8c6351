// Numbers of the texts in the program's string table (strings.rc).
// Shared by the resource script and the C++ code, hence plain macros.
// The 65xxx numbers are the ones the messages have always had; the 64xxx block
// holds the texts that never had a number of their own.
#pragma once

// File formats and pictures.
#define IDS_JPEG_CANNOT_RESIZE        65337
#define IDS_JPEG_ERROR                65338
#define IDS_JPEG_DESCRIPTION          65339
#define IDS_BITMAP_DESCRIPTION        65360
#define IDS_METAFILE_DESCRIPTION      65389
#define IDS_ENH_METAFILE_DESCRIPTION  65390
#define IDS_ICON_DESCRIPTION          65391
#define IDS_INVALID_PIXEL_FORMAT      65393
#define IDS_SCANLINE_OUT_OF_RANGE     65394
#define IDS_UNKNOWN_EXTENSION         65396
#define IDS_OUT_OF_RESOURCES          65398
#define IDS_INVALID_BITMAP            65422
#define IDS_OS_ERROR                  65446
#define IDS_READ_ERROR                65514
#define IDS_FILE_CREATE_ERROR         65534
#define IDS_FILE_OPEN_ERROR           65535

// Streams, the runtime and processor faults.
#define IDS_WRITE_ERROR               64001
#define IDS_WINDOW_CLASS_ERROR        64002
#define IDS_DIV_BY_ZERO               64003
#define IDS_RANGE_ERROR               64004
#define IDS_INT_OVERFLOW              64005
#define IDS_INVALID_OP                64006
#define IDS_ZERO_DIVIDE               64007
#define IDS_OVERFLOW                  64008
#define IDS_UNDERFLOW                 64009
#define IDS_PRIVILEGE                 64010
#define IDS_STACK_OVERFLOW            64011
#define IDS_CONTROL_C                 64012
#define IDS_ACCESS_VIOLATION_MODULE   64013
#define IDS_ACCESS_VIOLATION          64014
#define IDS_ACCESS_READ               64015
#define IDS_ACCESS_WRITE              64016
#define IDS_EXTERNAL_EXCEPTION        64017
#define IDS_OUT_OF_MEMORY             64018
#define IDS_INVALID_POINTER           64019
#define IDS_INVALID_INTEGER           64020
#define IDS_OS_CALL_FAILED            64033

// The window layer.
#define IDS_VISIBILITY_CHANGE         64021
#define IDS_RESOURCE_NOT_FOUND        64022
#define IDS_NO_DEVICE_CONTEXT         64023
#define IDS_NO_CANVAS_HANDLE          64024
#define IDS_NO_PARENT_WINDOW          64025
#define IDS_NO_TIMERS                 64026
#define IDS_ERROR_READING             64027
#define IDS_CONFIRMATION              64028
#define IDS_YES_BUTTON                64029
#define IDS_NO_BUTTON                 64030
#define IDS_CANNOT_SHOW_MODAL         64031
#define IDS_CANNOT_OPEN_CLIPBOARD     64032
#define IDS_IMAGE_NEEDS_BITMAP        64034
#define IDS_OK_BUTTON                 64041
#define IDS_ICON_CANNOT_RESIZE        64042

// Reading layouts.
#define IDS_UNKNOWN_PROPERTY          64035
#define IDS_INVALID_PROPERTY_VALUE    64036
#define IDS_UNKNOWN_CLASS             64037
#define IDS_LAYOUT_SYNTAX             64038
#define IDS_UNKNOWN_HANDLER           64039
#define IDS_COMPONENT_MISSING         64040

// The report of a run over several pictures.
#define IDS_BATCH_ALL_SAVED           64043
#define IDS_BATCH_SOME_SAVED          64044
#define IDS_BATCH_NONE_SAVED          64045
#define IDS_BATCH_SAVED_HEADING       64046
#define IDS_BATCH_FAILED_HEADING      64047
#define IDS_BATCH_LINE                64048
#define IDS_BATCH_SIZE                64049
#define IDS_BATCH_MORE                64050
#define IDS_BATCH_NOT_SHOWN           64051

// Pictures read through the system's codecs.
#define IDS_NO_PICTURE_DECODER        64052
#define IDS_NO_PICTURE_DECODER_UNNAMED 64053
#define IDS_DAMAGED_PICTURE           64054
#define IDS_DAMAGED_PICTURE_UNNAMED   64055
#define IDS_FOLDER_WITHOUT_PICTURES   64056
#define IDS_PICTURE_CANNOT_RESIZE     64057
#define IDS_BATCH_ONE_NOT_SAVED       64058
#define IDS_UNSUPPORTED_VARIANT       64059
#define IDS_UNSUPPORTED_VARIANT_UNNAMED 64060
#define IDS_FOLDER_CANNOT_LIST        64061

// The same failures without the file's name, for a report that names it already.
#define IDS_DAMAGED_PICTURE_REASON    64062
#define IDS_DAMAGED_PICTURE_UNNAMED_REASON 64063
#define IDS_UNSUPPORTED_VARIANT_REASON 64064
#define IDS_UNSUPPORTED_VARIANT_UNNAMED_REASON 64065
#define IDS_NO_PICTURE_DECODER_UNNAMED_REASON 64066
#define IDS_FILE_OPEN_REASON          64067
#define IDS_FOLDER_CANNOT_LIST_REASON 64068
#define IDS_FOLDER_WITHOUT_PICTURES_REASON 64069
#define IDS_NOT_A_PICTURE             64070
#define IDS_NOT_A_PICTURE_REASON      64071

// Long runs: the count in the caption, a run stopped, files skipped, data cut short.
#define IDS_RUN_CAPTION               64072
#define IDS_BATCH_STOPPED             64073
#define IDS_BATCH_SKIPPED             64074
#define IDS_DATA_ENDED_EARLY          64075

// The information page beside the program.
#define IDS_INFORMATION_PAGE_MISSING  64100
