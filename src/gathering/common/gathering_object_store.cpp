// GatheringObject.StoreEntry: the skeleton of storing one gathered entry
// that every channel shares. The entry's name is looked up in its channel;
// a known name is skipped, its row rewritten or another row added by the
// settings' RepeatDeal; the channel's own steps run; the row is written
// (not in test mode) and only then the class counters raised; the run's
// success count rises and the panel's status lines are set.
#include <optional>
#include <string>

#include "gathering/common/gathering_object.h"
#include "platform/ado/connection.h"
#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::gathering {
namespace {

// The host connection's transaction for one row, rolled back unless
// committed.
class RowTransaction {
 public:
  explicit RowTransaction(ado::Connection& db) : db_(db) { db_.BeginTrans(); }
  ~RowTransaction() {
    if (open_) vb::TryStep([&] { db_.RollbackTrans(); });
  }
  RowTransaction(const RowTransaction&) = delete;
  RowTransaction& operator=(const RowTransaction&) = delete;

  void Commit() {
    db_.CommitTrans();
    open_ = false;
  }

 private:
  ado::Connection& db_;
  bool open_ = true;
};

}  // namespace

void GatheringObject::RemoveEntryFiles() {
  processing::VBProcess& process = Process();
  for (const std::string& file : entry_files_) process.DeleteFiles(file, true);
  entry_files_.clear();
}

GatheringObject::StoreOutcome GatheringObject::StoreEntry(const EntryStore& entry) {
  processing::VBProcess& process = Process();
  asp::Response& out = host_.Response();
  if (!component::HostState().HostConnected) OpenConnection();
  const std::shared_ptr<ado::Connection>& host_db = component::HostState().HostConnection;
  if (!host_db) vb::Raise(vb::kErrObjectNotSet);

  // An added row and its class counters are committed together, one commit
  // instead of one each. Where no step of the channel comes between, the
  // name's lookup belongs to the same transaction: no other request can add
  // the name in between, and the statements share one read of the log.
  std::optional<RowTransaction> together;
  if (!entry.test_mode && !entry.prepare) together.emplace(*host_db);
  ado::Recordset rs;
  rs.Open(entry.lookup, *host_db, ado::adOpenKeyset, ado::adLockOptimistic);
  const bool known = !rs.Eof();
  const bool skipped = known && entry.RepeatDeal == 0;
  const bool updating = known && entry.RepeatDeal == 1;
  if (known && entry.key) entry.key(rs);

  if (!skipped) {
    if (entry.prepare && !entry.prepare()) {
      rs.Close();
      return StoreOutcome::kEnded;
    }
    if (!entry.test_mode) {
      if (!together) together.emplace(*host_db);
      if (!updating) rs.AddNew();
      for (const auto& [column, value] : entry.row()) rs.Fields(column).SetValue(value);
      rs.Update();
      if (entry.key) entry.key(rs);
      // The counters only once the row is there.
      if (!updating) {
        vb::Variant channel_id(ChannelID_);
        vb::Variant class_id(entry.ClassID);
        ClassUpdateCount(channel_id, class_id);
      }
      together->Commit();
    }
    // A count at its largest cannot rise: the channel's error rule decides.
    auto count_up = [&] {
      const int32_t count = process.ChkNumeric(vb::CStr(host_.Session().Item("SucceedCount")));
      if (count == INT32_MAX) vb::Raise(vb::kErrOverflow);
      host_.Session().SetItem("SucceedCount", vb::Variant(count + 1));
    };
    if (entry.pass_failures) {
      vb::TryStep(count_up);
    } else {
      count_up();
    }
  }
  together.reset();  // a skipped entry wrote nothing
  rs.Close();
  if (entry.linked) entry.linked(updating);
  if (skipped) {
    WriteStatusScript(out, entry.texts.skipped_status, entry.texts.skipped_reason);
    return StoreOutcome::kSkipped;
  }
  WriteStatusScript(out, entry.texts.stored_status, entry.texts.stored_reason);
  return StoreOutcome::kStored;
}

}  // namespace ostrel::gathering
