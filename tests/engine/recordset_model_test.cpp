// Recordsets against a model: seeded random sequences of moves, Seek, Find, AddNew, Edit, Delete,
// Requery and changes made elsewhere, on table-type recordsets with and without an index, on
// dynasets and on a snapshot. After every step the recordset's BOF, EOF, NoMatch and current
// record must be those of a plain list that follows the engine's documented rules.

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <random>

#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

struct Row {
  int id = 0;
  std::optional<int> k;
  std::optional<std::string> code;
};

using Rows = std::map<std::int64_t, Row>;  // by row id

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Null sorts before any value, as in the store.
template <typename T>
int Compare(const std::optional<T>& a, const std::optional<T>& b) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  return *a < *b ? -1 : (*b < *a ? 1 : 0);
}

std::optional<std::string> Folded(const std::optional<std::string>& s) {
  return s ? std::optional(Lower(*s)) : std::nullopt;
}

enum class Order { RowId, K, Id, CodeDesc, KThenId };

struct Kind {
  const char* name;
  int type;
  std::string source;
  std::string index;  // table-type only
  Order order;
  bool (*member)(const Row&);
};

bool Everything(const Row&) { return true; }
bool KAtLeast3(const Row& r) { return r.k && *r.k >= 3; }
bool KBelow7OrNull(const Row& r) { return !r.k || *r.k < 7; }

const Kind kKinds[] = {
    {"table", dbOpenTable, "M", "", Order::RowId, Everything},
    {"table by K", dbOpenTable, "M", "K_Index", Order::K, Everything},
    {"table by Id", dbOpenTable, "M", "Id_Index", Order::Id, Everything},
    {"sorted dynaset", dbOpenDynaset, "SELECT * FROM M WHERE K >= 3 ORDER BY Code DESC", "",
     Order::CodeDesc, KAtLeast3},
    {"dynaset", dbOpenDynaset, "SELECT Id, K, Code FROM M WHERE K < 7 Or K Is Null", "",
     Order::RowId, KBelow7OrNull},
    {"snapshot", dbOpenSnapshot, "SELECT * FROM M ORDER BY K, Id", "", Order::KThenId, Everything},
};

bool Before(Order order, std::int64_t ra, const Row& a, std::int64_t rb, const Row& b) {
  int c = order == Order::K || order == Order::KThenId ? Compare(a.k, b.k) : 0;
  if (order == Order::CodeDesc) c = -Compare(Folded(a.code), Folded(b.code));
  if (c == 0 && (order == Order::Id || order == Order::KThenId)) c = (a.id > b.id) - (a.id < b.id);
  return c != 0 ? c < 0 : ra < rb;
}

// A criterion as the engine reads it, and as the model tests it.
struct Criterion {
  std::string text;
  std::function<bool(const Row&)> test;
};

Criterion RandomCriterion(std::mt19937& rng) {
  int v = static_cast<int>(rng() % 10);
  switch (rng() % 5) {
    case 0:
      return {"K = " + std::to_string(v), [v](const Row& r) { return r.k && *r.k == v; }};
    case 1:
      return {"K > " + std::to_string(v), [v](const Row& r) { return r.k && *r.k > v; }};
    case 2:
      return {"Code Is Null", [](const Row& r) { return !r.code; }};
    case 3: {
      std::string c(1, static_cast<char>('a' + v % 3));
      return {"Code = '" + c + "'", [c](const Row& r) { return r.code && Lower(*r.code) == c; }};
    }
    default:
      return {"Id < " + std::to_string(v * 4), [v](const Row& r) { return r.id < v * 4; }};
  }
}

// The model of one open recordset over the table's rows.
class Model {
 public:
  enum class At { Bof, Eof, Record };

  Model(const Kind& kind, Rows& rows) : kind_(kind), rows_(rows) { Requery(); }

  bool Live() const { return kind_.type == dbOpenTable; }

  // The table-type recordset shows the table as it is; the others keep what they selected.
  void TableChanged() {
    if (Live()) list_ = Select();
  }
  void Requery() {
    list_ = Select();
    at_ = list_.empty() ? At::Eof : At::Record;
    if (!list_.empty()) Current(list_[0]);
  }
  void Added(std::int64_t rowid) { Live() ? void(list_ = Select()) : list_.push_back(rowid); }

  bool Bof() const { return at_ == At::Bof || (at_ == At::Eof && list_.empty()); }
  bool Eof() const { return at_ == At::Eof || (at_ == At::Bof && list_.empty()); }

  // The number of records before the current one, and whether it is the one at that place.
  std::pair<size_t, bool> Place() const {
    if (!deleted_) return {IndexOf(rowid_), true};
    return {previous_ ? IndexOf(*previous_) + 1 : 0, false};
  }

  // Expected outcome of the moves; false when the engine must raise 3021.
  bool MoveNext() {
    if (at_ == At::Eof) return false;
    size_t target = 0;
    if (at_ == At::Record) {
      auto [before, occupied] = Place();
      target = before + (occupied ? 1 : 0);
    }
    target < list_.size() ? Current(list_[target]) : void(at_ = At::Eof);
    return true;
  }
  bool MovePrevious() {
    if (at_ == At::Bof) return false;
    size_t before = at_ == At::Eof ? list_.size() : Place().first;
    before == 0 ? void(at_ = At::Bof) : Current(list_[before - 1]);
    return true;
  }
  bool MoveFirst() { return MoveTo(0); }
  bool MoveLast() { return MoveTo(list_.size() - 1); }

  void Find(const Criterion& criterion, bool forward, bool from_current) {
    size_t first = 0, end = list_.size();
    if (from_current && at_ != (forward ? At::Bof : At::Eof)) {
      if (at_ == (forward ? At::Eof : At::Bof)) {
        no_match_ = true;
        return;
      }
      auto [before, occupied] = Place();
      if (forward)
        first = before + (occupied ? 1 : 0);
      else
        end = before;
    }
    std::optional<size_t> hit;
    for (size_t n = first; n < end; ++n) {
      size_t i = forward ? n : end - 1 - (n - first);
      auto row = rows_.find(list_[i]);
      if (row != rows_.end() && criterion.test(row->second)) {
        hit = i;
        break;
      }
    }
    no_match_ = !hit;
    if (hit) Current(list_[*hit]);
  }

  // Seek on the selected index: the first record in the index's order for "=", ">=" and ">",
  // the last one for "<" and "<=".
  void Seek(const std::string& comparison, int key) {
    auto key_of = [&](const Row& r) { return kind_.order == Order::K ? r.k : std::optional(r.id); };
    auto passes = [&](const Row& r) {
      auto k = key_of(r);
      if (!k) return false;
      // The comparison holds when it names the key's side: "<=" holds for less and equal.
      return comparison.find(*k < key ? '<' : *k > key ? '>' : '=') != std::string::npos;
    };
    bool backward = comparison[0] == '<';
    std::optional<std::int64_t> hit;
    for (size_t n = 0; n < list_.size() && !hit; ++n) {
      std::int64_t rowid = list_[backward ? list_.size() - 1 - n : n];
      if (passes(rows_.at(rowid))) hit = rowid;
    }
    no_match_ = !hit;
    hit ? Current(*hit) : void(at_ = At::Eof);
  }

  void Deleted() {
    size_t pos = IndexOf(rowid_);
    previous_ = pos > 0 ? std::optional(list_[pos - 1]) : std::nullopt;
    list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(pos));
    deleted_ = true;
  }

  const Kind& kind_;
  Rows& rows_;
  std::vector<std::int64_t> list_;
  At at_ = At::Bof;
  std::int64_t rowid_ = 0;
  bool deleted_ = false;
  std::optional<std::int64_t> previous_;
  bool no_match_ = false;

  std::vector<std::int64_t> Select() const {
    std::vector<std::int64_t> out;
    for (const auto& [rowid, row] : rows_)
      if (kind_.member(row)) out.push_back(rowid);
    std::sort(out.begin(), out.end(), [&](std::int64_t a, std::int64_t b) {
      return Before(kind_.order, a, rows_.at(a), b, rows_.at(b));
    });
    return out;
  }
  size_t IndexOf(std::int64_t rowid) const {
    return static_cast<size_t>(std::find(list_.begin(), list_.end(), rowid) - list_.begin());
  }
  void Current(std::int64_t rowid) {
    at_ = At::Record;
    rowid_ = rowid;
    deleted_ = false;
  }
  bool MoveTo(size_t target) {
    if (list_.empty()) return false;
    Current(list_[target]);
    return true;
  }
};

class RecordsetModelTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    db_ = Create("model.njb");
    auto t = MakeTable(*db_, "M", {{"Id", dbLong, 0}, {"K", dbInteger, 0}, {"Code", dbText, 4}});
    t->IndexesAppend(MakeIndex(*t, "Id_Index", "Id", true, true));
    t->IndexesAppend(MakeIndex(*t, "K_Index", "K", false, false));
  }

  // Runs one seeded sequence, stopping at the first difference from the model.
  void Run(const Kind& kind, unsigned seed, int steps);

  DatabasePtr db_;
};

std::string Describe(const std::optional<int>& v) { return v ? std::to_string(*v) : "Null"; }

template <typename T>
Variant Nullable(const std::optional<T>& v) {
  return v ? Variant(*v) : Variant::Null();
}

// The moves, as the model expects them and as the engine makes them; MoveNext twice as often.
struct Move {
  const char* name;
  bool (Model::*model)();
  void (*engine)(Recordset&);
};
const Move kMoves[] = {
    {"MoveFirst", &Model::MoveFirst, [](Recordset& rs) { rs.MoveFirst(); }},
    {"MoveLast", &Model::MoveLast, [](Recordset& rs) { rs.MoveLast(); }},
    {"MoveNext", &Model::MoveNext, [](Recordset& rs) { rs.MoveNext(); }},
    {"MoveNext", &Model::MoveNext, [](Recordset& rs) { rs.MoveNext(); }},
    {"MovePrevious", &Model::MovePrevious, [](Recordset& rs) { rs.MovePrevious(); }},
};

// The error number an action raises, or 0.
template <typename F>
int ErrorNumberOf(F&& action) {
  try {
    action();
    return 0;
  } catch (const Error& e) {
    return e.Number();
  }
}

void RecordsetModelTest::Run(const Kind& kind, unsigned seed, int steps) {
  std::mt19937 rng(seed);
  // Undone at the end, so every sequence starts from an empty table without waiting for disk.
  ws_->BeginTrans();
  Rows rows;
  int next_id = 1;
  auto random_k = [&]() -> std::optional<int> {
    if (rng() % 6 == 0) return std::nullopt;
    return static_cast<int>(rng() % 10);
  };
  auto random_code = [&]() -> std::optional<std::string> {
    static const char* codes[] = {"a", "A", "b", "B", "c"};
    if (rng() % 6 == 0) return std::nullopt;
    return std::string(codes[rng() % 5]);
  };
  // Row ids only order records here: a new record's is above every one the table has had.
  std::int64_t highest_rowid = 0;
  auto add = [&](Recordset& target, const Row& row) {
    AddRecord(target, {{"Id", row.id}, {"K", Nullable(row.k)}, {"Code", Nullable(row.code)}});
    rows[++highest_rowid] = row;
    return highest_rowid;
  };

  auto elsewhere = db_->OpenRecordset("M");
  for (int i = static_cast<int>(rng() % 9); i > 0; --i)
    add(*elsewhere, {next_id++, random_k(), random_code()});
  auto rs = db_->OpenRecordset(kind.source, kind.type);
  if (!kind.index.empty()) rs->SetIndex(kind.index);
  Model model(kind, rows);
  bool updatable = kind.type != dbOpenSnapshot;

  std::string trail;
  for (int step = 0; step < steps; ++step) {
    std::string op;
    int expected = 0, got = 0;
    // What an edit of the current record raises in the model.
    auto edit_error = [&] {
      if (!updatable) return err::kReadOnly;
      if (model.at_ != Model::At::Record) return err::kNoCurrentRecord;
      if (model.deleted_ || !rows.count(model.rowid_)) return err::kRecordDeleted;
      return 0;
    };
    switch (const unsigned choice = rng() % 16) {
      case 0:
      case 1:
      case 2:
      case 3:
      case 4: {
        const Move& move = kMoves[choice];
        op = move.name;
        expected = (model.*move.model)() ? 0 : err::kNoCurrentRecord;
        got = ErrorNumberOf([&] { move.engine(*rs); });
        break;
      }
      case 5:
      case 6: {
        static const char* kinds[] = {"FindFirst", "FindNext", "FindLast", "FindPrevious"};
        int which = static_cast<int>(rng() % 4);
        auto criterion = RandomCriterion(rng);
        op = std::string(kinds[which]) + " " + criterion.text;
        bool forward = which % 2 == 0 ? which == 0 : which == 1;
        bool from_current = which % 2 == 1;
        model.Find(criterion, forward, from_current);
        got = ErrorNumberOf([&] {
          const auto& t = criterion.text;
          which == 0   ? rs->FindFirst(t)
          : which == 1 ? rs->FindNext(t)
          : which == 2 ? rs->FindLast(t)
                       : rs->FindPrevious(t);
        });
        break;
      }
      case 7: {
        static const char* comparisons[] = {"=", ">=", ">", "<", "<="};
        std::string comparison = comparisons[rng() % 5];
        int key = static_cast<int>(rng() % (kind.order == Order::Id ? next_id + 1 : 10));
        op = "Seek " + comparison + " " + std::to_string(key);
        if (kind.type != dbOpenTable)
          expected = err::kNotSupported;
        else if (kind.index.empty())
          expected = err::kNoIndexSelected;
        else
          model.Seek(comparison, key);
        got = ErrorNumberOf([&] { rs->Seek(comparison, key); });
        break;
      }
      case 8:
      case 9: {
        Row row{next_id++, random_k(), random_code()};
        op = "AddNew Id " + std::to_string(row.id) + " K " + Describe(row.k);
        expected = updatable ? 0 : err::kReadOnly;
        std::int64_t rowid = 0;
        got = ErrorNumberOf([&] { rowid = add(*rs, row); });
        if (got == 0) model.Added(rowid);
        break;
      }
      case 10: {
        auto k = random_k();
        auto code = random_code();
        op = "Edit K " + Describe(k);
        expected = edit_error();
        got = ErrorNumberOf([&] {
          rs->Edit();
          rs->Fields("K")->SetValue(Nullable(k));
          rs->Fields("Code")->SetValue(Nullable(code));
          rs->Update();
        });
        if (got == 0) {
          rows[model.rowid_].k = k;
          rows[model.rowid_].code = code;
          model.TableChanged();
        }
        break;
      }
      case 11:
        op = "Delete";
        expected = edit_error();
        got = ErrorNumberOf([&] { rs->Delete(); });
        if (got == 0) {
          rows.erase(model.rowid_);
          model.Deleted();
          model.TableChanged();
        }
        break;
      case 12:
        op = "Requery";
        rs->Requery();
        model.Requery();
        break;
      case 13: {
        Row row{next_id++, random_k(), random_code()};
        op = "added elsewhere Id " + std::to_string(row.id) + " K " + Describe(row.k);
        add(*elsewhere, row);
        model.TableChanged();
        break;
      }
      case 14: {
        // Deleted elsewhere: neither the current record nor the one moves go on from.
        std::vector<std::int64_t> candidates;
        for (const auto& [rowid, row] : rows)
          if ((model.at_ != Model::At::Record || rowid != model.rowid_) &&
              rowid != (model.deleted_ ? model.previous_.value_or(0) : 0))
            candidates.push_back(rowid);
        if (candidates.empty() || kind.type == dbOpenSnapshot) continue;
        std::int64_t victim = candidates[rng() % candidates.size()];
        op = "deleted elsewhere Id " + std::to_string(rows[victim].id);
        db_->Execute("DELETE FROM M WHERE Id = " + std::to_string(rows[victim].id));
        rows.erase(victim);
        model.TableChanged();
        break;
      }
      default: {
        op = "CancelUpdate";
        expected = updatable ? 0 : err::kReadOnly;
        got = ErrorNumberOf([&] {
          rs->AddNew();
          rs->Fields("K")->SetValue(1);
          rs->CancelUpdate();
        });
        break;
      }
    }
    trail += " / " + op;
    std::string where = std::string(kind.name) + ", seed " + std::to_string(seed) + ", step " +
                        std::to_string(step) + ":" + trail;
    ASSERT_EQ(expected, got) << where;
    ASSERT_EQ(model.Bof(), rs->Bof()) << where;
    ASSERT_EQ(model.Eof(), rs->Eof()) << where;
    if (op.rfind("Find", 0) == 0 || op.rfind("Seek", 0) == 0) {
      ASSERT_EQ(model.no_match_, rs->NoMatch()) << where;
    }
    int read = ErrorNumberOf([&] { rs->Fields("Id")->Value(); });
    if (model.at_ != Model::At::Record) {
      ASSERT_EQ(err::kNoCurrentRecord, read) << where;
    } else if (model.deleted_ || !rows.count(model.rowid_)) {
      ASSERT_EQ(err::kRecordDeleted, read) << where;
    } else {
      const Row& row = rows.at(model.rowid_);
      ASSERT_EQ(0, read) << where;
      ASSERT_EQ(row.id, rs->Fields("Id")->Value().ToLong()) << where;
      auto k = rs->Fields("K")->Value();
      ASSERT_EQ(Describe(row.k), k.IsNull() ? "Null" : std::to_string(k.ToLong())) << where;
      auto code = rs->Fields("Code")->Value();
      ASSERT_EQ(row.code.value_or("Null"), code.IsNull() ? "Null" : code.ToText()) << where;
    }
    if (kind.type == dbOpenTable) {
      ASSERT_EQ(static_cast<long>(rows.size()), rs->RecordCount()) << where;
    }
    if (op == "MoveLast" && got == 0) {
      ASSERT_EQ(static_cast<long>(model.list_.size()), rs->RecordCount()) << where;
    }
  }
}

TEST_F(RecordsetModelTest, RandomSequencesFollowTheModel) {
  ws_->BeginTrans();  // nothing reaches the disk: the fixture rolls it back
  for (const auto& kind : kKinds)
    for (unsigned seed = 1; seed <= 40; ++seed) {
      Run(kind, seed, 80);
      if (HasFatalFailure()) return;
      ws_->Rollback();
    }
}

}  // namespace
}  // namespace nrx::test
