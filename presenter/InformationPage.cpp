#include "presenter/InformationPage.h"

#include "resources/StringIds.h"
#include "text/CommandLine.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"
#include "text/PercentEncoding.h"
#include "text/Utf16.h"
#include "ui/MessageDialogs.h"
#include "ui/Shell.h"

// Set by the build (MIROKATE_INFO_ADDRESS); empty unless a web page exists.
#ifndef MIROKATE_INFO_ADDRESS
#define MIROKATE_INFO_ADDRESS ""
#endif

namespace {
const char kWebAddress[] = MIROKATE_INFO_ADDRESS;
const char kLocalPageName[] = "mirokate.html";
}  // namespace

std::string LocalInformationPage(const std::string& programPath) {
  return DirectoryPartOf(programPath) + kLocalPageName;
}

std::string InformationAddress(const std::string& address, const std::string& programPath) {
  const std::string baseName = ReplaceExtension(StoredFileNameOf(programPath), "");
  // The page reads the name as Shift-JIS bytes, as a Japanese system has always
  // sent it; every system sends the same bytes.
  return address + "/info.php?pf=w&sn=" + PercentEncoded(ShiftJisBytes(Wide(baseName)));
}

void OpenInformationPage(TWinControl& window) {
  // Argument 0 is the program's own file, read with GetModuleFileNameW.
  const std::string program = ArgumentText(0);
  if (kWebAddress[0] != '\0') {
    OpenAddress(window, InformationAddress(kWebAddress, program));
    return;
  }
  const std::string page = LocalInformationPage(program);
  if (!IsExistingFile(FilePath(page))) {
    MessageDlg(ResFormat(IDS_INFORMATION_PAGE_MISSING, {page}), mtWarning, mbOK, 0);
    return;
  }
  OpenAddress(window, page);
}
