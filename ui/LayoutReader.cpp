#include "ui/LayoutReader.h"

#include <windows.h>

#include <cstdlib>
#include <map>
#include <vector>

#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/Utf16.h"
#include "ui/CustomControl.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/LayoutValue.h"
#include "ui/Timer.h"

namespace {

using Factory = TComponent* (*)(TComponent* owner);

template <class T>
TComponent* Make(TComponent* owner) {
  return new T(owner);
}

// The component classes a layout may name.
const std::map<std::string, Factory>& ComponentClasses() {
  static const std::map<std::string, Factory> classes = {
      {"TImage", &Make<TImage>},
      {"TPanel", &Make<TPanel>},
      {"TButton", &Make<TButton>},
      {"TTimer", &Make<TTimer>},
  };
  return classes;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

bool IsName(const std::string& text) {
  if (text.empty() || (text[0] >= '0' && text[0] <= '9')) return false;
  for (char c : text) {
    if (!IsNameCharacter(c)) return false;
  }
  return true;
}

class Parser {
public:
  Parser(const std::string& layout, TCustomForm& form,
         const std::function<TNotifyEvent(const std::string&)>& findHandler)
      : form_(form), findHandler_(findHandler) {
    size_t start = 0;
    while (start <= layout.size()) {
      const size_t end = layout.find('\n', start);
      lines_.push_back(layout.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }

  // The components made, in the order they were made.
  const std::vector<TComponent*>& ReadComponents() const { return read_; }

  void Run() {
    std::string line = NextLine();
    std::string name, className;
    if (!SplitHeader(line, "form", name, className) || className != form_.ClassName()) SyntaxError();
    form_.SetName(name);
    ReadBody(form_);
    if (!NextLine().empty()) SyntaxError();
  }

private:
  // The next line with content, or empty text at the end.
  std::string NextLine() {
    while (index_ < lines_.size()) {
      std::string line = Trim(WithoutComment(lines_[index_++]));
      if (!line.empty()) {
        lineNumber_ = index_;
        return line;
      }
    }
    return std::string();
  }

  // A "#" outside a quoted text starts a comment.
  static std::string WithoutComment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '"') quoted = !quoted;
      if (line[i] == '#' && !quoted) return line.substr(0, i);
    }
    return line;
  }

  // Names the line read last: where the layout went wrong, or where it ended
  // too early.
  [[noreturn]] void SyntaxError() const {
    throw EReadError(ResFormat(IDS_LAYOUT_SYNTAX, {static_cast<int>(lineNumber_)}));
  }

  static bool SplitHeader(const std::string& line, const std::string& keyword, std::string& name,
                          std::string& className) {
    if (line.compare(0, keyword.size() + 1, keyword + " ") != 0) return false;
    const std::string rest = line.substr(keyword.size() + 1);
    const size_t colon = rest.find(':');
    if (colon == std::string::npos) return false;
    name = Trim(rest.substr(0, colon));
    className = Trim(rest.substr(colon + 1));
    return IsName(name) && IsName(className);
  }

  void ReadBody(TComponent& component) {
    for (;;) {
      const std::string line = NextLine();
      if (line.empty()) SyntaxError();  // the layout ended before "end"
      if (line == "end") return;
      std::string name, className;
      if (SplitHeader(line, "child", name, className)) {
        ReadChild(component, name, className);
        continue;
      }
      const size_t equals = line.find('=');
      if (equals == std::string::npos) SyntaxError();
      const std::string property = Trim(line.substr(0, equals));
      if (!IsName(property)) SyntaxError();
      SetProperty(component, property, ParseValue(Trim(line.substr(equals + 1))));
    }
  }

  void ReadChild(TComponent& enclosing, const std::string& name, const std::string& className) {
    const auto& classes = ComponentClasses();
    const auto found = classes.find(className);
    if (found == classes.end()) throw EReadError(ResFormat(IDS_UNKNOWN_CLASS, {className}));
    TComponent* child = found->second(&form_);
    child->SetName(name);
    child->BeginReading();
    read_.push_back(child);
    if (auto* control = dynamic_cast<TControl*>(child)) {
      if (auto* parent = dynamic_cast<TWinControl*>(&enclosing)) control->SetParent(parent);
    }
    ReadBody(*child);
  }

  LayoutValue ParseValue(const std::string& text) const {
    LayoutValue value;
    if (text.empty()) SyntaxError();
    if (text.front() == '"') {
      if (text.size() < 2 || text.back() != '"') SyntaxError();
      std::string content;
      for (size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '"') {
          if (i + 2 >= text.size() || text[i + 1] != '"') SyntaxError();
          ++i;
        }
        content += text[i];
      }
      value.kind = LayoutValue::Kind::Text;
      value.text = content;
    } else if (text.front() == '[') {
      if (text.back() != ']') SyntaxError();
      value.kind = LayoutValue::Kind::Set;
      const std::string inside = Trim(text.substr(1, text.size() - 2));
      size_t start = 0;
      while (!inside.empty() && start <= inside.size()) {
        const size_t comma = inside.find(',', start);
        const std::string item = Trim(inside.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!IsName(item)) SyntaxError();
        value.items.push_back(item);
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else if (text.front() == '-' || (text.front() >= '0' && text.front() <= '9')) {
      char* end = nullptr;
      value.kind = LayoutValue::Kind::Integer;
      value.number = std::strtoll(text.c_str(), &end, 10);
      if (end == text.c_str() || *end != '\0') SyntaxError();
    } else {
      if (!IsName(text)) SyntaxError();
      value.kind = LayoutValue::Kind::Name;
      value.text = text;
    }
    return value;
  }

  void SetProperty(TComponent& component, const std::string& property, const LayoutValue& value) {
    try {
      bool known;
      if (property.compare(0, 2, "On") == 0 && value.kind == LayoutValue::Kind::Name) {
        TNotifyEvent handler = findHandler_(value.text);
        if (!handler) throw EReadError(ResFormat(IDS_UNKNOWN_HANDLER, {value.text}));
        known = component.SetEvent(property, std::move(handler));
      } else {
        known = component.SetProperty(property, value);
      }
      if (!known) throw EReadError(ResFormat(IDS_UNKNOWN_PROPERTY, {property}));
    } catch (const Exception& failure) {
      throw EReadError(ResFormat(IDS_ERROR_READING, {component.Name(), ".", property, failure.Message()}));
    }
  }

  TCustomForm& form_;
  const std::function<TNotifyEvent(const std::string&)>& findHandler_;
  std::vector<std::string> lines_;
  size_t index_ = 0;
  size_t lineNumber_ = 0;
  std::vector<TComponent*> read_;
};

}  // namespace

std::vector<TComponent*> ApplyLayout(const std::string& layout, TCustomForm& form,
                                     const std::function<TNotifyEvent(const std::string&)>& findHandler) {
  Parser parser(layout, form, findHandler);
  parser.Run();
  return parser.ReadComponents();
}

std::string LoadLayoutResource(const std::string& className) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC resource = FindResourceW(module, Wide(className).c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (resource == nullptr) throw EResNotFound(ResFormat(IDS_RESOURCE_NOT_FOUND, {className}));
  const HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) throw EResNotFound(ResFormat(IDS_RESOURCE_NOT_FOUND, {className}));
  // Stored as UTF-16 (little-endian, without a mark), read as the UTF-8 the parser takes.
  return Utf8(static_cast<const wchar_t*>(data), SizeofResource(module, resource) / sizeof(wchar_t));
}
