#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/Failures.h"
#include "ui/FaultTranslation.h"
#include "ui/Platform.h"

namespace {

// Kept out of line so the fault happens in a frame of its own.
__attribute__((noinline)) int Divide(int a, volatile int b) { return a / b; }

std::string Hex8(const void* address) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)));
  return buffer;
}


}  // namespace

TEST(ProcessorFaults, AnIntegerDivisionByZeroBecomesEDivByZero) {
  EXPECT_EQ(MessageOf<EDivByZero>([] { Divide(1, 0); }), "ゼロによる除算");
  // Caught in the very function that faults, too.
  bool caught = false;
  try {
    volatile int zero = 0;
    volatile int result = 5 / zero;
    (void)result;
  } catch (const EIntError&) {
    caught = true;
  }
  EXPECT_TRUE(caught);
  EXPECT_EQ(Divide(9, 3), 3) << "the program goes on normally afterwards";
}

TEST(ProcessorFaults, AnAccessViolationNamesTheModuleTheAddressAndTheAccess) {
  const void* faultAt = nullptr;
  std::string read, write;
  try {
    volatile int value = *reinterpret_cast<volatile int*>(0x10);
    (void)value;
  } catch (const EAccessViolation& failure) {
    read = failure.Message();
    faultAt = failure.Record().ExceptionAddress;
  }
  EXPECT_EQ(read, "モジュール 'ui_tests.exe' のアドレス " + Hex8(faultAt) +
                      " でアドレス 00000010 に対する読み込み違反がおきました。");
  try {
    *reinterpret_cast<volatile int*>(0x24) = 1;
  } catch (const EAccessViolation& failure) {
    write = failure.Message();
  }
  EXPECT_NE(write.find("でアドレス 00000024 に対する書き込み違反"), std::string::npos) << write;
}

TEST(ProcessorFaults, FloatingPointFaultsRaiseUnderTheProcessControlWord) {
  EXPECT_EQ(CurrentFpuControlWord(), kDefaultFpuControlWord);
  volatile double zero = 0.0;
  volatile double result = 0;
  EXPECT_EQ(MessageOf<EZeroDivide>([&] { result = 1.0 / zero; }), "0 による浮動小数点数除算");
  EXPECT_EQ(MessageOf<EInvalidOp>([&] { result = zero / zero; }), "不正な浮動小数点数演算命令");
  // The unit is clean and loaded with the process's word again.
  EXPECT_EQ(CurrentFpuControlWord(), kDefaultFpuControlWord);
  result = 1.0 / 4.0;
  EXPECT_EQ(result, 0.25);
}

TEST(ProcessorFaults, EachStatusMapsToItsClassAndText) {
  struct Row {
    DWORD status;
    const char* text;
    bool (*isClass)(const Exception&);
  };
#define IS(E) [](const Exception& e) { return dynamic_cast<const E*>(&e) != nullptr; }
  const Row rows[] = {
      {0xC0000094, "ゼロによる除算", IS(EDivByZero)},
      {0xC000008C, "範囲チェックエラー", IS(ERangeError)},
      {0xC0000095, "整数のオーバーフロー", IS(EIntOverflow)},
      {0xC000008F, "不正な浮動小数点数演算命令", IS(EInvalidOp)},
      {0xC0000090, "不正な浮動小数点数演算命令", IS(EInvalidOp)},
      {0xC0000092, "不正な浮動小数点数演算命令", IS(EInvalidOp)},
      {0xC000008E, "0 による浮動小数点数除算", IS(EZeroDivide)},
      {0xC0000091, "浮動小数点数のオーバーフロー", IS(EOverflow)},
      {0xC000008D, "浮動小数点数のアンダーフロー", IS(EUnderflow)},
      {0xC0000093, "浮動小数点数のアンダーフロー", IS(EUnderflow)},
      {0xC0000096, "特権命令違反", IS(EPrivilege)},
      {0xC00000FD, "スタック オーバーフロー", IS(EStackOverflow)},
      {0xC000013A, "CTRL-C", IS(EControlC)},
      {0xC0000135, "外部例外 C0000135", IS(EExternalException)},
  };
#undef IS
  for (const Row& row : rows) {
    SCOPED_TRACE(row.status);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = row.status;
    try {
      RaiseFaultException(record);
    } catch (const EExternal& failure) {
      EXPECT_EQ(failure.Message(), row.text);
      EXPECT_TRUE(row.isClass(failure));
      EXPECT_EQ(failure.Record().ExceptionCode, row.status);
    }
  }
}

TEST(ProcessorFaults, AnAccessOutsideAnyModuleUsesTheShortText) {
  EXCEPTION_RECORD record{};
  record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
  record.ExceptionAddress = reinterpret_cast<void*>(0x00000400);  // never mapped
  record.NumberParameters = 2;
  record.ExceptionInformation[0] = 1;
  record.ExceptionInformation[1] = 0xDEADBEEF;
  try {
    RaiseFaultException(record);
  } catch (const EAccessViolation& failure) {
    EXPECT_EQ(failure.Message(), "アドレス 00000400 でアドレス DEADBEEF に対する書き込み違反がおきました。");
  }
}
