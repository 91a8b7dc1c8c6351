#include "ui/UnwindTables.h"

#include <string>

// The unwinder's own lookup of the unwind information for an address (libgcc).
struct dwarf_eh_bases {
  void* tbase;
  void* dbase;
  void* func;
};
extern "C" const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);

namespace {

// Reads the tables' fields; a read past the end fails the whole reading.
class Cursor {
public:
  Cursor(const BYTE* at, const BYTE* end) : at_(at), end_(end) {}
  bool Ok() const { return ok_; }
  bool AtEnd() const { return at_ >= end_; }
  const BYTE* At() const { return at_; }
  void Fail() { ok_ = false; }
  BYTE Byte() {
    if (at_ >= end_) {
      ok_ = false;
      return 0;
    }
    return *at_++;
  }
  DWORD Fixed(int size) {
    DWORD value = 0;
    for (int i = 0; i < size; ++i) value |= static_cast<DWORD>(Byte()) << (8 * i);
    return value;
  }
  DWORD Unsigned() { return Leb(false); }
  long Signed() { return static_cast<long>(Leb(true)); }
  void Skip(DWORD count) {
    if (count > static_cast<DWORD>(end_ - at_)) ok_ = false;
    at_ = ok_ ? at_ + count : end_;
  }

private:
  DWORD Leb(bool isSigned) {
    DWORD value = 0;
    int shift = 0;
    BYTE byte = 0;
    do {
      byte = Byte();
      if (shift < 32) value |= static_cast<DWORD>(byte & 0x7F) << shift;
      shift += 7;
    } while (ok_ && (byte & 0x80) != 0);
    if (isSigned && shift < 32 && (byte & 0x40) != 0) value |= ~0u << shift;
    return value;
  }

  const BYTE* at_;
  const BYTE* end_;
  bool ok_ = true;
};

// The size of a pointer of that encoding; 0 for those not read here.
DWORD EncodedSize(BYTE encoding) {
  switch (encoding & 0x0F) {
    case 0x00: case 0x03: case 0x0B: return 4;
    case 0x02: case 0x0A: return 2;
    case 0x04: case 0x0C: return 8;
    default: return 0;
  }
}

// The parts of a common information entry the frame address rule needs.
struct CommonEntry {
  DWORD codeAlignment = 1;
  long dataAlignment = 1;
  BYTE pointerEncoding = 0;
  bool augmented = false;
  Cursor instructions{nullptr, nullptr};
};

bool ReadAugmentation(Cursor& cursor, const std::string& letters, CommonEntry& entry) {
  const DWORD size = cursor.Unsigned();
  Cursor data(cursor.At(), cursor.At() + size);
  cursor.Skip(size);
  for (const char letter : letters) {
    if (letter == 'R') {
      entry.pointerEncoding = data.Byte();
    } else if (letter == 'L') {
      data.Byte();
    } else if (letter == 'P') {
      const DWORD pointerSize = EncodedSize(data.Byte());
      if (pointerSize == 0) return false;
      data.Skip(pointerSize);
    } else if (letter != 'S') {
      return false;
    }
  }
  return data.Ok();
}

bool ReadCommonEntry(const BYTE* at, CommonEntry& entry) {
  const DWORD length = *reinterpret_cast<const DWORD*>(at);
  if (length == 0 || length == 0xFFFFFFFFu) return false;
  Cursor cursor(at + 4, at + 4 + length);
  if (cursor.Fixed(4) != 0) return false;
  const BYTE version = cursor.Byte();
  std::string augmentation;
  for (BYTE letter = cursor.Byte(); letter != 0 && cursor.Ok(); letter = cursor.Byte()) augmentation += letter;
  entry.codeAlignment = cursor.Unsigned();
  entry.dataAlignment = cursor.Signed();
  if (version == 1) cursor.Byte(); else cursor.Unsigned();  // the return address column
  entry.augmented = !augmentation.empty() && augmentation[0] == 'z';
  if (entry.augmented && !ReadAugmentation(cursor, augmentation.substr(1), entry)) return false;
  if (!entry.augmented && !augmentation.empty()) return false;
  entry.instructions = Cursor(cursor.At(), at + 4 + length);
  return cursor.Ok();
}

// How many LEB128 operands (signed or not) an instruction that leaves the frame
// address alone has, and whether a block follows them; -1 for those not known.
int SkippedOperands(BYTE op, bool& block) {
  block = op == 0x10 || op == 0x16;
  switch (op) {
    case 0x06: case 0x07: case 0x08: case 0x10: case 0x16: return 1;
    case 0x05: case 0x09: case 0x11: case 0x14: case 0x15: case 0x2F: return 2;
    default: return -1;
  }
}

// Runs the instructions up to the address, keeping the frame address rule.
class RuleProgram {
public:
  RuleProgram(const CommonEntry& entry, DWORD location, DWORD target)
      : entry_(entry), location_(location), target_(target) {}

  // False when an instruction is not understood.
  bool Run(Cursor cursor) {
    while (!cursor.AtEnd() && cursor.Ok() && location_ <= target_) {
      if (!Step(cursor)) return false;
    }
    rule.pushedArguments = pushedArguments_;
    return cursor.Ok();
  }
  FrameAddressRule rule;

private:
  void Advance(DWORD delta) { location_ += delta * entry_.codeAlignment; }
  static int Register(Cursor& cursor) { return static_cast<int>(cursor.Unsigned()); }
  bool Step(Cursor& cursor) {
    const BYTE op = cursor.Byte();
    switch (op >> 6) {
      case 1: Advance(op & 0x3F); return true;
      case 2: cursor.Unsigned(); return true;  // a register saved at an offset
      case 3: return true;                     // a register restored
    }
    switch (op) {
      case 0x00: return true;
      case 0x02: case 0x03: case 0x04: Advance(cursor.Fixed(op == 0x02 ? 1 : op == 0x03 ? 2 : 4)); return true;
      case 0x0A: if (depth_ == kDepth) return false; saved_[depth_++] = rule; return true;
      case 0x0B: if (depth_ == 0) return false; rule = saved_[--depth_]; return true;
      case 0x0C: rule.reg = Register(cursor); rule.offset = static_cast<long>(cursor.Unsigned()); return true;
      case 0x0D: rule.reg = Register(cursor); return true;
      case 0x0E: rule.offset = static_cast<long>(cursor.Unsigned()); return true;
      case 0x0F: cursor.Skip(cursor.Unsigned()); rule.reg = FrameAddressRule::kUnknown; return true;
      case 0x12: rule.reg = Register(cursor); rule.offset = cursor.Signed() * entry_.dataAlignment; return true;
      case 0x13: rule.offset = cursor.Signed() * entry_.dataAlignment; return true;
      case 0x2E: pushedArguments_ = static_cast<long>(cursor.Unsigned()); return true;
    }
    bool block = false;
    const int operands = SkippedOperands(op, block);
    for (int i = 0; i < operands; ++i) cursor.Unsigned();
    if (block) cursor.Skip(cursor.Unsigned());
    return operands >= 0;
  }

  static constexpr int kDepth = 8;
  const CommonEntry& entry_;
  DWORD location_;
  DWORD target_;
  FrameAddressRule saved_[kDepth];
  int depth_ = 0;
  long pushedArguments_ = 0;  // not part of the remembered state, as for the unwinder
};

}  // namespace

DWORD FunctionAt(DWORD address) {
  dwarf_eh_bases bases{};
  if (_Unwind_Find_FDE(reinterpret_cast<void*>(address), &bases) == nullptr) return 0;
  return reinterpret_cast<DWORD>(bases.func);
}

FrameAddressRule FrameAddressRuleAt(DWORD address) {
  dwarf_eh_bases bases{};
  const auto* fde = static_cast<const BYTE*>(_Unwind_Find_FDE(reinterpret_cast<void*>(address), &bases));
  CommonEntry entry;
  if (fde == nullptr) return {};
  Cursor cursor(fde + 4, fde + 4 + *reinterpret_cast<const DWORD*>(fde));
  const BYTE* idField = cursor.At();
  const BYTE* common = idField - cursor.Fixed(4);  // the field holds its distance from the entry
  const DWORD pointerSize = ReadCommonEntry(common, entry) ? EncodedSize(entry.pointerEncoding) : 0;
  if (pointerSize == 0) return {};
  cursor.Skip(2 * pointerSize);  // the start and the length of the code covered
  if (entry.augmented) cursor.Skip(cursor.Unsigned());
  RuleProgram program(entry, reinterpret_cast<DWORD>(bases.func), address);
  if (!program.Run(entry.instructions) || !program.Run(cursor)) return {};
  return program.rule;
}
