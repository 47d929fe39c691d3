#pragma once
// The shared error stack of the application's error-reporting library: every procedure that an
// error passes through leaves one (source, procedure) record on it.

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx {

class NRXJOBDB_API ErrorStack : public Object {
 public:
  using Entry = std::pair<std::string, std::string>;  // (source, procedure label)
  using Listener = std::function<void(const std::string& source, const std::string& procedure)>;

  // Records beyond this many push the oldest out, so a long session cannot grow without end.
  static constexpr std::size_t kCapacity = 1024;

  // The global stack, created on first use and kept until the library is unloaded.
  static ErrorStack& Instance();

  ErrorStack() = default;
  ErrorStack(const ErrorStack&) = delete;
  ErrorStack& operator=(const ErrorStack&) = delete;

  // While set, the next failing procedure records nothing and clears it (see RecordErrorSource).
  bool Suspended() const;
  void SetSuspended(bool suspended);

  // Appends one record and tells every listener.
  void Record(std::string source, std::string procedure);
  // Tells every listener of a line that is no error (a listing someone asked for) without
  // recording it, so it goes to the error log beside the records.
  void Note(const std::string& source, const std::string& text);
  // Removes every record; the suspended flag keeps its value.
  void Reset();

  // The records, oldest first.
  std::vector<Entry> Records() const;
  std::size_t Count() const;

  // Listeners hear of each record as it is made (the error log writes them to its file).
  int AddListener(Listener listener);
  void RemoveListener(int id);

 private:
  void Tell(const std::string& source, const std::string& text) const;

  mutable std::mutex mutex_;
  bool suspended_ = false;
  std::vector<Entry> records_;
  std::vector<std::pair<int, Listener>> listeners_;
  int next_listener_ = 1;
};

}  // namespace nrx
