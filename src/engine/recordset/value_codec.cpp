#include "engine/recordset/value_codec.h"

#include <cmath>
#include <limits>

#include "nrxJobDb/engine.h"

namespace nrx::detail {
namespace {

// Characters, not bytes: a UTF-8 text's length as the user counts it.
size_t CharCount(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

bool TooLong(const std::string& text, int size) {
  // No text has more characters than bytes, so most need no count.
  return static_cast<int>(text.size()) > size && static_cast<int>(CharCount(text)) > size;
}

// The kinds that do not pass through a double on their way in.
Variant ConvertExact(const Variant& value, const FieldInfo& field, std::string_view source) {
  try {
    if (field.type == dbCurrency) return Variant(value.ToCurrency());
    if (field.type == dbDate) return Variant(value.ToDate());
    return Variant(value.ToBytes());
  } catch (const Error& e) {
    Raise(e.Number() == err::kOverflow ? err::kNumericOverflow : err::kCannotConvert, source,
          field.name);
  }
}

}  // namespace

Variant ReadValue(sqlite3_stmt* stmt, int col, int fieldType) {
  int kind = sqlite3_column_type(stmt, col);
  if (kind == SQLITE_NULL) return Variant::Null();
  switch (fieldType) {
    case dbBoolean: return Variant(sqlite3_column_int64(stmt, col) != 0);
    case dbByte: return Variant(static_cast<std::uint8_t>(sqlite3_column_int64(stmt, col)));
    case dbInteger: return Variant(static_cast<std::int16_t>(sqlite3_column_int64(stmt, col)));
    case dbLong: return Variant(static_cast<std::int32_t>(sqlite3_column_int64(stmt, col)));
    case dbSingle: return Variant(static_cast<float>(sqlite3_column_double(stmt, col)));
    case dbDouble: return Variant(sqlite3_column_double(stmt, col));
    case dbCurrency: return Variant(Currency{sqlite3_column_int64(stmt, col)});
    case dbDate: return Variant(Date{sqlite3_column_double(stmt, col)});
    case dbLongBinary: {
      const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, col));
      return Variant(Bytes(p, p + sqlite3_column_bytes(stmt, col)));
    }
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      return Variant(std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col))));
    }
  }
}

void BindValue(sqlite3_stmt* stmt, int index, const Variant& value) {
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null: sqlite3_bind_null(stmt, index); break;
    case VarType::Boolean: sqlite3_bind_int64(stmt, index, value.ToBoolean() ? -1 : 0); break;
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long: sqlite3_bind_int64(stmt, index, value.ToLong()); break;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date: sqlite3_bind_double(stmt, index, value.ToDouble()); break;
    case VarType::Currency: sqlite3_bind_int64(stmt, index, value.ToCurrency().scaled); break;
    case VarType::Bytes: {
      Bytes bytes = value.ToBytes();
      sqlite3_bind_blob(stmt, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
      break;
    }
    default: {
      std::string text = value.ToText();
      sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
  }
}

Variant ConvertForField(const Variant& value, const FieldInfo& field, std::string_view source) {
  if (value.IsNull() || value.IsEmpty()) return Variant::Null();
  if (value.IsObject()) Raise(err::kCannotConvert, source, field.name);
  if (field.type == dbText || field.type == dbMemo) {
    std::string text = value.ToText();
    if (field.type == dbText && TooLong(text, field.size)) {
      Raise(err::kValueTooLong, source, field.name);
    }
    return Variant(std::move(text));
  }
  if (field.type == dbCurrency || field.type == dbDate || field.type == dbLongBinary)
    return ConvertExact(value, field, source);
  double d;
  try {
    d = value.ToDouble();
  } catch (const Error&) {
    Raise(err::kCannotConvert, source, field.name);
  }
  auto fits = [&](double lo, double hi) {
    double r = std::nearbyint(d);
    if (!(r >= lo && r <= hi)) Raise(err::kNumericOverflow, source, field.name);
    return r;
  };
  switch (field.type) {
    case dbBoolean: return Variant(d != 0.0);
    case dbByte: return Variant(static_cast<std::uint8_t>(fits(0, 255)));
    case dbInteger: return Variant(static_cast<std::int16_t>(fits(-32768, 32767)));
    case dbLong:
      return Variant(static_cast<std::int32_t>(fits(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max())));
    case dbSingle:
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
        Raise(err::kNumericOverflow, source, field.name);
      return Variant(static_cast<float>(d));
    default: return Variant(d);
  }
}

void CheckStoredValue(const Variant& value, const FieldInfo& field, std::string_view source) {
  if (field.type != dbText || !value.IsText()) return;
  if (TooLong(value.ToText(), field.size)) Raise(err::kValueTooLong, source, field.name);
}

}  // namespace nrx::detail
