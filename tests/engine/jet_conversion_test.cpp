// Converting the Jet files of older jobs: every table, field, index and row arrives, checked
// against what the files' authors state and against Debian's mdb-export as a second opinion;
// the source is never written, and a file that cannot be read leaves nothing behind.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

const fs::path kJetData = fs::path(NRX_TEST_DATA) / "jet";

// The output of a shell command.
std::string Shell(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  size_t n;
  while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

// Marks no text of the files holds.
const std::string kNull = "<null>";
const std::string kRowEnd = "<row>\n";
const std::string kFieldEnd = "<field>";

// A table's rows as mdb-export prints them: Null marked, dates in full, binaries in hex.
std::vector<std::vector<std::string>> Exported(const fs::path& file, const std::string& table) {
  std::string out = Shell("mdb-export -H -Q -b hex -d '" + kFieldEnd + "' -R '" + kRowEnd +
                          "' -0 '" + kNull + "' -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' '" +
                          file.string() + "' '" + table + "'");
  std::vector<std::vector<std::string>> rows;
  for (const std::string& row : Split(out, kRowEnd))
    if (!row.empty()) rows.push_back(Split(row, kFieldEnd));
  return rows;
}

std::string Hex(const Bytes& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) text += {digits[b >> 4], digits[b & 15]};
  return text;
}

std::string FullDate(const Variant& v) {
  std::string text = FormatDate(v.ToDate());
  return text.size() == 10 ? text + " 00:00:00" : text;
}

// Whether a converted value says what mdb-export printed for it.
// mdb-export prints an empty text as it prints Null, so `empty_text` says where the fixture is
// known to hold one; anywhere else Null must stay Null.
::testing::AssertionResult Agrees(const Variant& ours, const std::string& theirs, int type,
                                  bool empty_text = false) {
  bool same;
  if (theirs == kNull) same = ours.IsNull() || (empty_text && ours.SameAs(Variant(std::string())));
  else if (ours.IsNull()) same = false;
  else if (type == dbLongBinary) same = Hex(ours.ToBytes()) == theirs;
  else if (type == dbBoolean) same = ours.ToBoolean() == (theirs == "1");
  else if (type == dbCurrency) same = ours.ToCurrency() == Variant(theirs).ToCurrency();
  else if (type == dbDate) same = FullDate(ours) == theirs;
  else if (type == dbSingle || type == dbDouble) {
    double a = ours.ToDouble();
    double b = Variant(theirs).ToDouble();
    same = std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(a));
  } else if (type == dbText || type == dbMemo) same = ours.ToText() == theirs;
  else same = ours.ToLong() == Variant(theirs).ToLong();
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "ours " << (ours.IsNull() ? "Null" : ours.ToText()) << ", mdb-export " << theirs;
}

class JetConversionTest : public EngineTest {
 protected:
  // Converts a copy of the fixture; the fixture's bytes are checked unchanged afterwards.
  JetConversionReport Convert(const std::string& fixture, const std::string& target = "job.njb") {
    source_ = Path(fixture);
    fs::copy_file(kJetData / fixture, source_);
    JetConversionReport report = DBEngine::Instance().ConvertJetDatabase(source_, Path(target));
    EXPECT_EQ(ReadFile(kJetData / fixture), ReadFile(source_)) << "the source was written";
    return report;
  }

  std::vector<std::string> UserTables(Database& db) {
    std::vector<std::string> names;
    for (const auto& t : db.TableDefs())
      if (!t->IsSystem()) names.push_back(t->Name());
    return names;
  }

  // Files in the test's folder other than the source.
  std::vector<std::string> OtherFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Dir()))
      if (entry.path() != source_) names.push_back(entry.path().filename().string());
    return names;
  }

  std::string source_;
};

TEST_F(JetConversionTest, EveryFileArrivesAsTheSecondOpinionReadsIt) {
  for (const auto& entry : fs::directory_iterator(kJetData)) {
    if (entry.path().extension() != ".mdb") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    fs::remove_all(Dir());
    fs::create_directories(Dir());
    JetConversionReport report = Convert(name);
    auto db = ws_->OpenDatabase(Path("job.njb"));
    std::string listed = Shell("mdb-tables -1 '" + source_ + "'");
    std::vector<std::string> tables = Split(listed, "\n");
    tables.pop_back();
    std::sort(tables.begin(), tables.end());
    EXPECT_EQ(tables, UserTables(*db));  // and no MSys table of the Jet file
    ASSERT_EQ(tables.size(), report.tables.size());
    long rows = 0;
    for (const std::string& table : tables) {
      auto exported = Exported(source_, table);
      auto rs = db->OpenRecordset(table, dbOpenSnapshot);
      size_t i = 0;
      for (; !rs->Eof(); rs->MoveNext(), ++i) {
        ASSERT_LT(i, exported.size()) << table << ": more rows than mdb-export gives";
        ASSERT_EQ(exported[i].size(), static_cast<size_t>(rs->FieldsCount())) << table;
        for (int f = 0; f < rs->FieldsCount(); ++f) {
          auto field = rs->Fields(f);
          // The one empty text the fixtures hold, made by make_derived_fixtures.py.
          const bool empty_text = name == "emptyTextTestV2003.mdb" && field->Name() == "data3";
          EXPECT_TRUE(Agrees(field->Value(), exported[i][f], field->Type(), empty_text))
              << table << "." << field->Name() << " row " << i;
        }
      }
      EXPECT_EQ(exported.size(), i) << table;
      rows += static_cast<long>(i);
    }
    EXPECT_EQ(rows, report.Rows());
  }
}

TEST_F(JetConversionTest, Table1OfEachFormatHoldsWhatItsAuthorsState) {
  for (const char* name : {"testV1997.mdb", "testV2000.mdb", "testV2003.mdb"}) {
    SCOPED_TRACE(name);
    fs::remove_all(Dir());
    fs::create_directories(Dir());
    JetConversionReport report = Convert(name);
    auto db = ws_->OpenDatabase(Path("job.njb"));
    auto t = db->TableDefs("Table1");
    const int types[] = {dbText, dbText, dbByte, dbInteger, dbLong, dbDouble, dbDate, dbCurrency, dbBoolean};
    const int sizes[] = {50, 100, 1, 2, 4, 8, 8, 8, 1};
    ASSERT_EQ(9, t->FieldsCount());
    for (int i = 0; i < 9; ++i) {
      EXPECT_EQ(std::string(1, static_cast<char>('A' + i)), t->Fields(i)->Name());
      EXPECT_EQ(types[i], t->Fields(i)->Type()) << i;
      EXPECT_EQ(sizes[i], t->Fields(i)->Size()) << i;
    }
    EXPECT_FALSE(t->Fields("A")->AllowZeroLength());
    ASSERT_EQ(2, t->IndexesCount());
    auto primary = t->Indexes("PrimaryKey");
    EXPECT_EQ("A", primary->Fields());
    EXPECT_TRUE(primary->Primary() && primary->Unique());
    EXPECT_EQ("B", t->Indexes("B")->Fields());
    EXPECT_FALSE(t->Indexes("B")->Unique());

    auto rs = db->OpenRecordset("Table1", dbOpenSnapshot);  // in stored order
    auto row = [&](const char* field) { return rs->Fields(field)->Value(); };
    std::vector<std::string> seen;
    for (; !rs->Eof(); rs->MoveNext()) {
      seen.push_back(row("A").ToText());
      if (row("A").ToText() != "abcdefg") continue;
      EXPECT_EQ("hijklmnop", row("B").ToText());
      EXPECT_TRUE(row("C").SameAs(Variant(std::uint8_t{2})));
      EXPECT_TRUE(row("D").SameAs(Variant(std::int16_t{222})));
      EXPECT_TRUE(row("E").SameAs(Variant(std::int32_t{333333333})));
      EXPECT_TRUE(row("F").SameAs(Variant(444.555)));
      EXPECT_TRUE(row("G").SameAs(Variant(Date{27293})));  // 1974-09-21
      EXPECT_TRUE(row("H").SameAs(Variant(Currency{35000})));
      EXPECT_TRUE(row("I").SameAs(Variant(true)));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ((std::vector<std::string>{"a", "abcdefg"}), seen);
    auto a = db->OpenRecordset("SELECT * FROM Table1 WHERE A = 'a' AND G = #1981-12-12#");
    ASSERT_FALSE(a->Eof());
    EXPECT_TRUE((*a)["H"].SameAs(Variant(Currency{0})));
    EXPECT_TRUE((*a)["I"].SameAs(Variant(false)));

    // A replication id has no counterpart (text); an AutoNumber keeps its values, not its
    // counting. The report names both.
    std::vector<std::string> changes;
    for (const auto& c : report.changes)
      changes.push_back(c.table + "." + c.field + " " + c.jet_type + " " + std::to_string(c.type));
    EXPECT_EQ((std::vector<std::string>{"Table3.a AutoNumber 4", "Table4.data GUID 10"}), changes);
    EXPECT_EQ(dbText, db->TableDefs("Table4")->Fields("data")->Type());
  }
}

TEST_F(JetConversionTest, IndexesKeepTheirFieldsOrderAndFlags) {
  Convert("compIndexTestV1997.mdb", "comp.njb");
  auto comp = ws_->OpenDatabase(Path("comp.njb"))->TableDefs("Table1")->Indexes("CD_AGENTE");
  EXPECT_EQ("-CD_AGENTE", comp->Fields());  // descending
  EXPECT_FALSE(comp->Unique());
  fs::remove(source_);
  JetConversionReport report = Convert("fixedNumericTestV2000.mdb", "numeric.njb");
  // Decimals of 18 digits keep them as text, and the report says so.
  ASSERT_EQ(6u, report.changes.size());
  EXPECT_EQ("Decimal(18,0)", report.changes[0].jet_type);
  EXPECT_EQ(dbText, report.changes[0].type);
  auto numeric = ws_->OpenDatabase(Path("numeric.njb"));
  auto t = numeric->TableDefs("test");
  EXPECT_EQ(dbMemo, t->Fields("col1")->Type());
  EXPECT_EQ(20, t->Fields("col2")->Size());
}

// The derived files differ from their originals in one byte each (make_derived_fixtures.py): an
// empty text where there was Null, an OLE object where there was a memo.
TEST_F(JetConversionTest, EmptyTextsAndObjectsArriveAsStored) {
  auto converted = [&](const std::string& fixture, const std::string& target) {
    Convert(fixture, target);
    fs::remove(source_);
    return ws_->OpenDatabase(Path(target));
  };
  for (const char* fixture : {"overflowTestV2003.mdb", "emptyTextTestV2003.mdb"}) {
    SCOPED_TRACE(fixture);
    auto db = converted(fixture, fixture + std::string(".njb"));
    auto rs = db->OpenRecordset("Table1", dbOpenSnapshot);
    ASSERT_EQ("row1col1", rs->Fields("data1")->Value().ToText());
    EXPECT_FALSE(rs->Fields("data3")->Required());  // so nothing but the row can tell
    const Variant data3 = rs->Fields("data3")->Value();
    if (std::string(fixture) == "overflowTestV2003.mdb") EXPECT_TRUE(data3.IsNull());
    else EXPECT_TRUE(data3.SameAs(Variant(std::string())));
    EXPECT_TRUE(rs->Fields("data4")->Value().IsNull());
  }

  // The memo's text as the 2000 format keeps it compressed: FF FE, then a byte per character;
  // in the row, on one page of its own, or split over two.
  const std::string text = "some data";
  Bytes expected{0xFF, 0xFE};
  expected.insert(expected.end(), text.begin(), text.end());
  for (const char* fixture :
       {"oleTestV2000.mdb", "oleOnePageTestV2000.mdb", "oleTwoPagesTestV2000.mdb"}) {
    SCOPED_TRACE(fixture);
    auto db = converted(fixture, fixture + std::string(".njb"));
    auto rs = db->OpenRecordset("test", dbOpenSnapshot);
    EXPECT_EQ(dbLongBinary, rs->Fields("col1")->Type());
    EXPECT_TRUE(rs->Fields("col1")->Value().SameAs(Variant(expected)));
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
  }
}

TEST_F(JetConversionTest, AFileWithoutUserTablesGivesAJobWithoutUserTables) {
  JetConversionReport report = Convert("empty.mdb");
  EXPECT_TRUE(report.tables.empty());
  EXPECT_TRUE(UserTables(*ws_->OpenDatabase(Path("job.njb"))).empty());
}

TEST_F(JetConversionTest, WhatCannotBeConvertedLeavesNoTarget) {
  auto& engine = DBEngine::Instance();
  const std::string original = ReadFile(kJetData / "testV2003.mdb");
  auto expect_refused = [&](int number, const std::string& bytes) {
    source_ = Path("old.mdb");
    WriteFile(source_, bytes);
    EXPECT_NRX_ERROR(number, engine.ConvertJetDatabase(source_, Path("job.njb")));
    EXPECT_EQ(bytes, ReadFile(source_));
    EXPECT_TRUE(OtherFiles().empty()) << OtherFiles().front();
  };
  expect_refused(err::kNotADatabase, "not a database at all");
  expect_refused(err::kNotADatabase, original.substr(0, 3 * 4096 + 100));  // cut short
  std::string scrambled = original;
  for (size_t i = 4096; i < scrambled.size(); ++i)
    scrambled[i] = static_cast<char>((i * 2654435761u) >> 13);
  expect_refused(err::kNotADatabase, scrambled);
  // An object whose chain of pages ends before its length is read: the derivation added the
  // chain's two pages at the end, and the first one's row begins with the second's number.
  std::string cut_chain = ReadFile(kJetData / "oleTwoPagesTestV2000.mdb");
  const size_t page = cut_chain.size() - 2 * 4096;
  auto byte = [&](size_t at) { return size_t{static_cast<unsigned char>(cut_chain[at])}; };
  cut_chain[page + (byte(page + 14) | byte(page + 15) << 8) + 1] = 0;
  expect_refused(err::kNotADatabase, cut_chain);
  EXPECT_NRX_ERROR(err::kFileMissing, engine.ConvertJetDatabase(Path("none.mdb"), Path("job.njb")));

  // An existing target stays as it was.
  WriteFile(Path("job.njb"), "mine");
  source_ = Path("old.mdb");
  WriteFile(source_, original);
  EXPECT_NRX_ERROR(err::kDatabaseExists, engine.ConvertJetDatabase(source_, Path("job.njb")));
  EXPECT_EQ("mine", ReadFile(Path("job.njb")));
  EXPECT_NRX_ERROR(err::kInvalidPath, engine.ConvertJetDatabase(source_, Path("no/job.njb")));
}

}  // namespace
}  // namespace nrx::test
