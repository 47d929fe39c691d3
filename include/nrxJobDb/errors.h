#pragma once
// One exception type for every failure of the library, and one table of the error numbers.

#include <stdexcept>
#include <string>
#include <string_view>

namespace nrx {

// An error with the number its caller tests, the source that raised it (an engine object such
// as "nrxEngine.Database" or a member's label) and a readable description.
class Error : public std::runtime_error {
 public:
  Error(int number, std::string source, std::string description);

  int Number() const noexcept { return number_; }
  const std::string& Source() const noexcept { return source_; }
  const std::string& Description() const noexcept { return description_; }

 private:
  int number_;
  std::string source_;
  std::string description_;
};

// The general sentence for an error number; "Application-defined or object-defined error." for
// a number the table does not hold.
std::string_view ErrorText(int number) noexcept;

// Throws Error(number, source, text), where text is the table's sentence followed by the object
// involved when one is named ("Item not found in this collection: 'Points'.").
[[noreturn]] void Raise(int number, std::string_view source, std::string_view object = {});

// Throws Error with a description written by the caller.
[[noreturn]] void RaiseText(int number, std::string_view source, std::string description);

// Error numbers that code tests by name.
namespace err {
inline constexpr int kInvalidCall = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscript = 9;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileExists = 58;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathAccess = 75;
inline constexpr int kObjectNotSet = 91;
inline constexpr int kInvalidNull = 94;
inline constexpr int kTooManyTransactions = 3003;
inline constexpr int kTableExists = 3010;
inline constexpr int kNoSuchIndex = 3015;
inline constexpr int kNoIndexSelected = 3019;
inline constexpr int kUpdateWithoutEdit = 3020;
inline constexpr int kNoCurrentRecord = 3021;
inline constexpr int kDuplicateKey = 3022;
inline constexpr int kEditPending = 3023;
inline constexpr int kFileMissing = 3024;
inline constexpr int kReadOnly = 3027;
inline constexpr int kNoTransaction = 3034;
inline constexpr int kDiskError = 3043;
inline constexpr int kFileInUse = 3045;
inline constexpr int kNotADatabase = 3049;
inline constexpr int kTooFewParameters = 3061;
inline constexpr int kExpressionSyntax = 3075;
inline constexpr int kNullInPrimaryKey = 3058;
inline constexpr int kUnknownName = 3070;
inline constexpr int kNoSuchTable = 3078;
inline constexpr int kFromSyntax = 3131;
inline constexpr int kValueTooLong = 3163;
inline constexpr int kRecordDeleted = 3167;
inline constexpr int kFieldTwice = 3191;
inline constexpr int kDatabaseExists = 3204;
inline constexpr int kNotSupported = 3251;
inline constexpr int kNoFields = 3264;
inline constexpr int kItemNotFound = 3265;
inline constexpr int kPrimaryExists = 3283;
inline constexpr int kIndexExists = 3284;
inline constexpr int kCreateTableSyntax = 3290;
inline constexpr int kCreateIndexSyntax = 3291;
inline constexpr int kNullInRequired = 3314;
inline constexpr int kZeroLength = 3315;
inline constexpr int kUnrecognisedFormat = 3343;
inline constexpr int kNumericOverflow = 3349;
inline constexpr int kAlreadyInCollection = 3367;
inline constexpr int kNoSuchTableOrConstraint = 3371;
inline constexpr int kIndexNameExists = 3375;
inline constexpr int kFieldExists = 3380;
inline constexpr int kObjectClosed = 3420;
inline constexpr int kCannotConvert = 3421;
inline constexpr int kCriteriaTypeMismatch = 3464;
inline constexpr int kInvalidFieldType = 3259;
inline constexpr int kSyntaxError = 3000;
}  // namespace err

}  // namespace nrx
