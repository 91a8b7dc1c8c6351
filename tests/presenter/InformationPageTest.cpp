// The web page of a build given an address names the program in the bytes a
// Japanese system sends: Shift-JIS, percent-encoded byte for byte.
#include <gtest/gtest.h>

#include "presenter/InformationPage.h"

TEST(InformationPage, TheWebAddressNamesTheProgramInPercentEncodedShiftJis) {
  // Shift-JIS of ミロ is 83 7E 83 8D; "~" needs no escaping, blanks, "#" and "&" do.
  EXPECT_EQ("https://example.org/info.php?pf=w&sn=%83~%83%8D%20Tool%20%231%26",
            InformationAddress("https://example.org", "C:\\nowhere\\ミロ Tool #1&.exe"));
}
