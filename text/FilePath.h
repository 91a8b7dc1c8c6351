#pragma once
// A file's name as the file system knows it (UTF-16), together with its UTF-8
// text, which the rest of the program works with and shows. The file calls use
// the wide form, so a name is never passed through a code page.

#include <windows.h>

#include <functional>
#include <string>

class FilePath {
public:
  FilePath() = default;
  FilePath(const std::string& utf8);
  FilePath(const char* text);
  static FilePath FromWide(const std::wstring& wide);

  const std::wstring& Wide() const { return wide_; }
  const std::string& Text() const { return text_; }
  bool Empty() const { return wide_.empty(); }

  // The name as every file call of the program takes it, never shown to the
  // user: the full path (the system's own reading of ".", "..", "/", relative
  // parts and the blanks and dots that end the last part) behind "\\?\", or
  // "\\?\UNC\" for a share. The prefix lifts the 259-character limit on any
  // Windows, with or without its long-path switch. A name already so prefixed,
  // or a device's ("\\.\"), is taken as given. Empty when the name has no full
  // path or its prefixed path is beyond the system's 32,767 characters: every
  // call then fails on it.
  std::wstring ForFileCalls() const;
  // The longest name the file calls take, prefix included: the system holds it in
  // a counted string of at most 65,535 bytes, its terminating zero among them.
  static constexpr size_t kLongestForFileCalls = 32766;

  // The parts, split at the last "\" or ":", and at the last "." of the
  // file-name part.
  FilePath Directory() const;
  FilePath FileName() const;
  FilePath WithExtension(const std::string& extension) const;
  FilePath operator+(const FilePath& tail) const;

private:
  std::wstring wide_;
  std::string text_;
};

// What a path call writes into a buffer that it says is too small by answering
// the length it needs: asked again with that length until the result fits (a
// changed current folder may make it longer between the calls). Empty when the
// call fails.
std::wstring GrownPathResult(const std::function<DWORD(wchar_t* buffer, DWORD size)>& call);
