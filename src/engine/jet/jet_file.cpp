// The Jet reader library behind JetFile. Values are decoded from the row bytes the library
// locates, not from its printed texts, so that money, moments and doubles arrive exactly; texts,
// memos and numeric columns go through the library's own decoders (compressed and overflowing
// texts are its business).

#include "engine/jet/jet_file.h"

#include <mdbtools.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "engine/file_vfs.h"
#include "nrxJobDb/errors.h"

namespace nrx::detail::jet {
namespace {

constexpr std::string_view kSource = "nrxEngine.DBEngine";
// Room for a memo's text as the library hands it over: it never gives more than its bind size.
constexpr size_t kMemoBindSize = 16 * 1024 * 1024;
constexpr int kPrimaryIndex = 1;
constexpr int kRelationshipIndex = 2;
// A row's place on its page carries flags in the offset's top bits.
constexpr int kRowOffsetMask = 0x1fff;
// A long value's header begins with its length; the top byte says where the bytes are kept.
constexpr std::uint64_t kLongValueLengthMask = 0x00ffffff;

[[noreturn]] void Unreadable(const std::string& path, std::string_view what) {
  Raise(err::kNotADatabase, kSource, path + ": " + std::string(what));
}

std::uint64_t LittleEndian(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

bool Property(const MdbColumn* col, const char* name) {
  const char* value = mdb_col_get_prop(col, name);
  return value != nullptr && std::strcmp(value, "yes") == 0;
}

struct TableCloser {
  void operator()(MdbTableDef* t) const noexcept { mdb_free_tabledef(t); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

struct GFree {
  void operator()(char* p) const noexcept { g_free(p); }
};
using GText = std::unique_ptr<char, GFree>;

class MdbJetFile final : public JetFile {
 public:
  MdbJetFile(std::string path, MdbHandle* mdb) : path_(std::move(path)), mdb_(mdb) {}
  ~MdbJetFile() override { mdb_close(mdb_); }

  std::vector<JetTable> UserTables() override {
    std::vector<JetTable> tables;
    for (unsigned i = 0; i < mdb_->num_catalog; ++i) {
      auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
      if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
      if (std::string_view(entry->object_name).substr(0, 4) == "MSys") continue;
      TablePtr t = ReadTable(entry);
      tables.push_back(Describe(*t));
    }
    return tables;
  }

  void ReadRows(const JetTable& table, const std::function<void(const JetRow&)>& row) override {
    auto* entry = mdb_get_catalogentry_by_name(mdb_, table.name.c_str());
    if (entry == nullptr) Unreadable(path_, "table " + table.name + " is gone from its catalogue");
    TablePtr t = ReadTable(entry);
    const unsigned n = t->num_cols;
    std::vector<int> lengths(n);
    std::vector<std::vector<char>> buffers(n);
    bool memo = false;
    for (unsigned c = 0; c < n; ++c) {
      auto* col = Column(*t, c);
      memo = memo || col->col_type == MDB_MEMO;
      // The library writes a truth value's text and an OLE object's header into the buffer it
      // was given; every other value is read from the row itself.
      if (col->col_type == MDB_BOOL || col->col_type == MDB_OLE) buffers[c].resize(MDB_BIND_SIZE);
      mdb_bind_column(t.get(), static_cast<int>(c) + 1, buffers[c].empty() ? nullptr : buffers[c].data(),
                      &lengths[c]);
    }
    mdb_set_bind_size(mdb_, memo ? kMemoBindSize : MDB_BIND_SIZE);
    mdb_rewind_table(t.get());
    JetRow values(n);
    std::vector<MdbField> fields(n);
    while (mdb_fetch_row(t.get())) {
      ReadNullMask(*t, fields);
      for (unsigned c = 0; c < n; ++c)
        values[c] = Value(*Column(*t, c), fields[c].is_null != 0, table.columns[c]);
      row(values);
    }
  }

 private:
  std::string path_;
  MdbHandle* mdb_;

  static MdbColumn* Column(MdbTableDef& t, unsigned c) {
    return static_cast<MdbColumn*>(g_ptr_array_index(t.columns, c));
  }

  TablePtr ReadTable(MdbCatalogEntry* entry) {
    TablePtr t(mdb_read_table(entry));
    if (!t) Unreadable(path_, std::string("table ") + entry->object_name + " cannot be read");
    if (!mdb_read_columns(t.get()) || t->num_cols == 0)
      Unreadable(path_, std::string("the fields of table ") + entry->object_name + " cannot be read");
    // Its result says nothing: the library answers Null for a table it read well.
    mdb_read_indices(t.get());
    if (t->num_idxs > 0 && (t->indices == nullptr || t->indices->len < t->num_idxs))
      Unreadable(path_, std::string("the indexes of table ") + entry->object_name + " cannot be read");
    return t;
  }

  JetTable Describe(MdbTableDef& t) {
    JetTable table;
    table.name = t.name;
    table.stored_rows = t.num_rows;
    for (unsigned c = 0; c < t.num_cols; ++c) {
      const MdbColumn* col = Column(t, c);
      JetColumn jc;
      jc.name = col->name;
      jc.type = col->col_type;
      // Text sizes count characters; from the 2000 format on, the library gives their bytes.
      jc.size = col->col_type == MDB_TEXT && !IS_JET3(mdb_) ? col->col_size / 2 : col->col_size;
      // The library keeps a decimal's precision in col_scale and its scale in col_prec.
      jc.precision = col->col_scale;
      jc.scale = col->col_prec;
      jc.required = Property(col, "Required");
      jc.allow_zero_length = Property(col, "AllowZeroLength");
      jc.auto_number = col->is_long_auto != 0;
      table.columns.push_back(std::move(jc));
    }
    for (unsigned i = 0; i < t.num_idxs; ++i) {
      const auto* ix = static_cast<MdbIndex*>(g_ptr_array_index(t.indices, i));
      if (ix->index_type == kRelationshipIndex || ix->num_keys == 0) continue;
      JetIndex ji;
      ji.name = ix->name;
      ji.primary = ix->index_type == kPrimaryIndex;
      ji.unique = ji.primary || (ix->flags & MDB_IDX_UNIQUE) != 0;
      for (unsigned k = 0; k < ix->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
        const MdbColumn* col = KeyColumn(t, ix->key_col_num[k]);
        if (col == nullptr) Unreadable(path_, "index " + ji.name + " names a field that is not there");
        ji.fields.push_back((ix->key_col_order[k] == MDB_DESC ? "-" : "") + std::string(col->name));
      }
      table.indexes.push_back(std::move(ji));
    }
    return table;
  }

  // Index keys count the table's columns from 1 as the library lists them.
  static const MdbColumn* KeyColumn(MdbTableDef& t, int key) {
    return key >= 1 && static_cast<unsigned>(key) <= t.num_cols ? Column(t, key - 1) : nullptr;
  }

  // The library binds Null and an empty value alike (length 0), so whether a value is there is
  // read from the null mask of the row it has just read: the one before its cursor, on the page
  // it leaves in pg_buf (reading a memo's other pages swaps that page out and back). The mask is
  // taken from the very slot the library read the values from.
  void ReadNullMask(MdbTableDef& t, std::vector<MdbField>& fields) {
    int start = 0;
    size_t len = 0;
    if (t.cur_row == 0 || mdb_find_row(mdb_, static_cast<int>(t.cur_row) - 1, &start, &len) != 0 ||
        mdb_crack_row(&t, start & kRowOffsetMask, len, fields.data()) < 0)
      Unreadable(path_, std::string("a row of table ") + t.name + " cannot be read");
  }

  [[noreturn]] void CutShort(const JetColumn& jc) {
    Unreadable(path_, "a value of field " + jc.name + " is cut short");
  }

  Variant Value(MdbColumn& col, bool is_null, const JetColumn& jc) {
    const int start = col.cur_value_start;
    const int len = col.cur_value_len;
    // A truth value lives in the row's null mask: the library leaves 0 there for True.
    if (col.col_type == MDB_BOOL) return Variant(len == 0);
    if (is_null) return Variant::Null();
    if (len == 0) {
      if (col.col_type == MDB_TEXT || col.col_type == MDB_MEMO) return Variant(std::string());
      if (col.col_type == MDB_BINARY || col.col_type == MDB_OLE) return Variant(Bytes{});
      CutShort(jc);
    }
    const unsigned char* p = mdb_->pg_buf + start;
    auto fixed = [&](int bytes) {
      if (len < bytes || start + bytes > static_cast<int>(sizeof mdb_->pg_buf)) CutShort(jc);
      return LittleEndian(p, bytes);
    };
    switch (col.col_type) {
      case MDB_BYTE: return Variant(static_cast<std::uint8_t>(fixed(1)));
      case MDB_INT: return Variant(static_cast<std::int16_t>(fixed(2)));
      case MDB_LONGINT: return Variant(static_cast<std::int32_t>(fixed(4)));
      case MDB_MONEY: return Variant(Currency{static_cast<std::int64_t>(fixed(8))});
      case MDB_FLOAT: {
        auto bits = static_cast<std::uint32_t>(fixed(4));
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return Variant(f);
      }
      case MDB_DOUBLE:
      case MDB_DATETIME: {
        std::uint64_t bits = fixed(8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return col.col_type == MDB_DATETIME ? Variant(Date{d}) : Variant(d);
      }
      case MDB_BINARY: return Variant(Bytes(p, p + len));
      case MDB_REPID: return Owned(mdb_uuid_to_string(mdb_->pg_buf, start));
      case MDB_NUMERIC:  // see Describe for the order of the two
        return Owned(mdb_numeric_to_string(mdb_, start, col.col_scale, col.col_prec));
      case MDB_OLE: return OleObject(col, jc);
      default:
        return Owned(mdb_col_to_string(mdb_, mdb_->pg_buf, start, col.col_type, len));
    }
  }

  Variant Owned(char* text) {
    if (text == nullptr) Unreadable(path_, "a value cannot be decoded");
    GText owner(text);
    return Variant(std::string(text));
  }

  // The library reads an object's pages from the header it finds in the column's buffer. It
  // reports a page it cannot follow by giving fewer bytes, so the header's length is the check.
  Variant OleObject(MdbColumn& col, const JetColumn& jc) {
    if (col.cur_value_len < MDB_MEMO_OVERHEAD) CutShort(jc);
    const unsigned char* header = mdb_->pg_buf + col.cur_value_start;
    std::memcpy(col.bind_ptr, header, MDB_MEMO_OVERHEAD);
    const size_t stored = LittleEndian(header, 4) & kLongValueLengthMask;
    size_t size = 0;
    std::unique_ptr<void, decltype(&std::free)> data(mdb_ole_read_full(mdb_, &col, &size),
                                                     &std::free);
    if (data == nullptr || size != stored)
      Unreadable(path_, "an object of field " + jc.name + " cannot be read whole");
    const auto* bytes = static_cast<const std::uint8_t*>(data.get());
    return Variant(Bytes(bytes, bytes + size));
  }
};

}  // namespace

std::unique_ptr<JetFile> JetFile::Open(const std::string& path) {
  if (files::Probe(path) != files::FileKind::Jet) Unreadable(path, "the file is not a Jet database");
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (mdb == nullptr) Unreadable(path, "the reader cannot open it");
  auto file = std::make_unique<MdbJetFile>(path, mdb);
  if (mdb_read_catalog(mdb, MDB_TABLE) == nullptr) Unreadable(path, "its catalogue cannot be read");
  return file;
}

}  // namespace nrx::detail::jet
