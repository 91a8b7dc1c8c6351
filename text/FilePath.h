#pragma once
// A file's name as the file system knows it (UTF-16), together with its best
// form in the ANSI code page, which the rest of the program works with and
// shows. A name made from ANSI text keeps that text exactly; a name made from
// the wide form gets the code page's rendering, with the default character where
// it has none. Only the file calls use the wide form.

#include <string>

class FilePath {
public:
  FilePath() = default;
  // ANSI names reach the wide file calls as the ANSI calls would pass them.
  FilePath(const std::string& text);
  FilePath(const char* text);
  static FilePath FromWide(const std::wstring& wide);

  const std::wstring& Wide() const { return wide_; }
  const std::string& Text() const { return text_; }
  bool Empty() const { return wide_.empty(); }

  // The parts, split as the ANSI file-name functions split them: at the last
  // "\" or ":", and at the last "." of the file-name part.
  FilePath Directory() const;
  FilePath FileName() const;
  FilePath WithExtension(const std::string& extension) const;
  FilePath operator+(const FilePath& tail) const;

private:
  std::wstring wide_;
  std::string text_;
};

// The text in the ANSI code page, and back.
std::string AnsiText(const std::wstring& wide);
std::wstring WideText(const std::string& text);
