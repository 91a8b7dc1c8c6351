#pragma once
// The information page offered when the program starts without a picture: the
// guide shipped beside the program, or, in a build given a web address, the
// page there.

#include <string>

class TWinControl;

// The guide beside the program file: mirokate.html in the same folder.
std::string LocalInformationPage(const std::string& programPath);

// The web page of a build given an address: <address>/info.php?pf=w&sn=<name>,
// the name being the program file's base name as stored on disk.
std::string InformationAddress(const std::string& address, const std::string& programPath);

// Opens the build's page through the shell on behalf of the window: the web
// address when the build has one, otherwise the local guide, or, when that
// file is missing, a box naming it.
void OpenInformationPage(TWinControl& window);
