#include "ivorel/acquire/source_manager.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>

#include "ivorel/acquire/sane_library.h"
#include "ivorel/acquire/scan_session.h"

namespace scan {

namespace {

struct Manager {
  ScanInterface* ui = nullptr;
  DSMENTRYPROC override_entry = nullptr;
  bool open = false;  // sane_init done
  std::vector<SourceInfo> sources;
  std::string default_name;
  std::unique_ptr<ScanSession> session;
  TW_UINT32 session_id = 0;
  bool more_pages = false;  // the last page came from a feeder that may hold more
  std::deque<TW_UINT16> waiting;
  std::function<void()> notify;
  TW_UINT16 condition = TWCC_SUCCESS;
  std::string error;
};

Manager& manager() {
  static Manager m;
  return m;
}

void copy_str32(char (&to)[34], const std::string& from) {
  std::memset(to, 0, sizeof to);
  std::strncpy(to, from.c_str(), sizeof to - 1);
}

// Identifiers count from 1 in the order SANE lists its devices; 0 is "no source".
void fill_identity(TW_IDENTITY& id, std::size_t index) {
  const SourceInfo& s = manager().sources[index];
  std::memset(&id, 0, sizeof id);
  id.Id = static_cast<TW_UINT32>(index + 1);
  id.Version.MajorNum = 1;
  copy_str32(id.Version.Info, s.type);
  id.ProtocolMajor = 1;
  id.ProtocolMinor = 6;
  id.SupportedGroups = DG_CONTROL | DG_IMAGE;
  copy_str32(id.Manufacturer, s.vendor);
  copy_str32(id.ProductFamily, s.model);
  copy_str32(id.ProductName, s.name);
}

TW_UINT16 fail(TW_UINT16 condition, const std::string& why = "") {
  manager().condition = condition;
  if (!why.empty()) manager().error = why;
  return TWRC_FAILURE;
}

bool refresh_sources() {
  Manager& m = manager();
  m.sources.clear();
  const SaneApi* api = sane_api(&m.error);
  if (!api) return false;
  const SANE_Device** list = nullptr;
  if (api->get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return false;
  for (int i = 0; list[i] && i < 1000; ++i) {
    const SANE_Device* d = list[i];
    m.sources.push_back({d->name ? d->name : "", d->vendor ? d->vendor : "", d->model ? d->model : "",
                         d->type ? d->type : ""});
  }
  return true;
}

int default_index() {
  const Manager& m = manager();
  for (std::size_t i = 0; i < m.sources.size(); ++i)
    if (m.sources[i].name == m.default_name) return static_cast<int>(i);
  return m.sources.empty() ? -1 : 0;
}

void post(TW_UINT16 message) {
  Manager& m = manager();
  m.waiting.push_back(message);
  if (m.notify) m.notify();
}

void close_session() {
  Manager& m = manager();
  if (m.session) m.session->end_batch();
  m.session.reset();
  m.session_id = 0;
  m.waiting.clear();
  m.more_pages = false;
}

TW_UINT16 manager_call(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  Manager& m = manager();
  if (dat == DAT_PARENT && msg == MSG_OPENDSM) {
    const SaneApi* api = sane_api(&m.error);
    if (!api) return fail(TWCC_BUMMER);
    if (!m.open) {
      SANE_Int version = 0;
      const SANE_Status status = api->init(&version, nullptr);
      if (status != SANE_STATUS_GOOD)
        return fail(TWCC_BUMMER, "The scanner software did not start: " + status_text(status) + ".");
      m.open = true;
    }
    return TWRC_SUCCESS;
  }
  if (!m.open) return fail(TWCC_SEQERROR);
  if (dat == DAT_PARENT && msg == MSG_CLOSEDSM) {
    // SANE itself stays up until the process ends: backends unloaded by sane_exit take threads and buffers
    // with them that a later sane_init cannot always rebuild, and the next opening is then quick.
    if (m.session) return fail(TWCC_SEQERROR);
    return TWRC_SUCCESS;
  }
  if (dat == DAT_STATUS && msg == MSG_GET) {
    static_cast<TW_STATUS*>(data)->ConditionCode = m.condition;
    m.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  if (dat != DAT_IDENTITY || !data) return fail(TWCC_BADPROTOCOL);
  TW_IDENTITY& id = *static_cast<TW_IDENTITY*>(data);
  static std::size_t next = 0;
  switch (msg) {
    case MSG_GETDEFAULT: {
      refresh_sources();
      const int i = default_index();
      if (i < 0) return fail(TWCC_NODS, "No scanner was found.");
      fill_identity(id, static_cast<std::size_t>(i));
      return TWRC_SUCCESS;
    }
    case MSG_GETFIRST:
      refresh_sources();
      next = 0;
      [[fallthrough]];
    case MSG_GETNEXT:
      if (next >= m.sources.size()) return TWRC_ENDOFLIST;
      fill_identity(id, next++);
      return TWRC_SUCCESS;
    case MSG_USERSELECT: {
      refresh_sources();
      if (m.sources.empty()) return fail(TWCC_NODS, "No scanner was found.");
      int i = default_index();
      if (m.ui) i = m.ui->choose_source(m.sources, i, nullptr);
      if (i < 0 || i >= static_cast<int>(m.sources.size())) return TWRC_CANCEL;
      m.default_name = m.sources[static_cast<std::size_t>(i)].name;
      fill_identity(id, static_cast<std::size_t>(i));
      return TWRC_SUCCESS;
    }
    case MSG_OPENDS: {
      if (m.session) return fail(TWCC_SEQERROR);
      if (m.sources.empty()) refresh_sources();
      int i = -1;
      if (id.Id == 0 && id.ProductName[0] == 0) {
        i = default_index();
      } else {
        for (std::size_t k = 0; k < m.sources.size(); ++k)
          if ((id.Id != 0 && id.Id == k + 1) ||
              (id.Id == 0 && m.sources[k].name.compare(0, 33, id.ProductName) == 0))
            i = static_cast<int>(k);
      }
      if (i < 0) return fail(TWCC_NODS, "No scanner was found.");
      auto session = std::make_unique<ScanSession>(m.sources[static_cast<std::size_t>(i)].name);
      if (!session->ok()) return fail(TWCC_NODS, session->error());
      m.session = std::move(session);
      fill_identity(id, static_cast<std::size_t>(i));
      m.session_id = id.Id;
      return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
      if (!m.session) return fail(TWCC_SEQERROR);
      close_session();
      return TWRC_SUCCESS;
    default:
      return fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 native_transfer(TW_MEMREF data) {
  Manager& m = manager();
  HGLOBAL* handle = static_cast<HGLOBAL*>(data);
  if (!handle) return fail(TWCC_BADVALUE);
  *handle = nullptr;
  bool cancelled = false, empty = false;
  const ScanProgress progress = [&m](int done, int expected) {
    return !m.ui || m.ui->progress(done, expected);
  };
  HGLOBAL page = m.session->scan_page(progress, cancelled, empty);
  if (m.ui) m.ui->page_ended();
  m.more_pages = page && m.session->feeds_pages();
  if (page) {
    *handle = page;
    return TWRC_XFERDONE;
  }
  if (cancelled || empty) return TWRC_CANCEL;
  return fail(TWCC_OPERATIONERROR, m.session->error());
}

TW_UINT16 source_call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  Manager& m = manager();
  if (!m.session || dest->Id != m.session_id) return fail(TWCC_BADDEST);
  if (dg == DG_IMAGE) {
    if (dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) return native_transfer(data);
    return fail(TWCC_BADPROTOCOL);
  }
  switch (dat) {
    case DAT_USERINTERFACE: {
      auto* ui = static_cast<TW_USERINTERFACE*>(data);
      if (msg == MSG_DISABLEDS) {
        m.waiting.clear();
        return TWRC_SUCCESS;
      }
      if (msg != MSG_ENABLEDS || !ui) return fail(TWCC_BADPROTOCOL);
      // The option dialog is modal: the user has chosen to scan or to close by the time it returns, and
      // the answer waits as a message for the application's loop, as a modeless source would send it.
      const bool scan = !ui->ShowUI || !m.ui || m.ui->configure(*m.session, ui->hParent);
      post(scan ? MSG_XFERREADY : MSG_CLOSEDSREQ);
      return TWRC_SUCCESS;
    }
    case DAT_EVENT: {
      auto* event = static_cast<TW_EVENT*>(data);
      if (msg != MSG_PROCESSEVENT || !event) return fail(TWCC_BADPROTOCOL);
      const auto* app = static_cast<const TW_APPMESSAGE*>(event->pEvent);
      event->TWMessage = MSG_NULL;
      if (!app || app->message != kSourceMessage || m.waiting.empty()) return TWRC_NOTDSEVENT;
      event->TWMessage = m.waiting.front();
      m.waiting.pop_front();
      return TWRC_DSEVENT;
    }
    case DAT_PENDINGXFERS: {
      auto* pending = static_cast<TW_PENDINGXFERS*>(data);
      if (!pending || (msg != MSG_ENDXFER && msg != MSG_RESET)) return fail(TWCC_BADPROTOCOL);
      const bool more = msg == MSG_ENDXFER && m.more_pages;
      pending->Count = more ? 0xFFFF : 0;
      if (!more) {
        // A scan without a dialog to return to asks to be closed once its pages are in.
        m.session->end_batch();
        post(MSG_CLOSEDSREQ);
      }
      return TWRC_SUCCESS;
    }
    case DAT_STATUS:
      if (msg != MSG_GET || !data) return fail(TWCC_BADPROTOCOL);
      static_cast<TW_STATUS*>(data)->ConditionCode = m.condition;
      m.condition = TWCC_SUCCESS;
      return TWRC_SUCCESS;
    default:
      return fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                TW_MEMREF data) {
  if (!origin) return fail(TWCC_BADPROTOCOL);
  // The words of a failure stay until the next attempt to start something, so that the calls that wind a
  // failed scan down do not wipe out why it failed.
  if (msg == MSG_OPENDSM || msg == MSG_OPENDS || msg == MSG_USERSELECT || msg == MSG_ENABLEDS)
    manager().error.clear();
  if (!dest) return dg == DG_CONTROL ? manager_call(dat, msg, data) : fail(TWCC_BADPROTOCOL);
  return source_call(dest, dg, dat, msg, data);
}

}  // namespace

void install_scan_interface(ScanInterface* ui) {
  manager().ui = ui;
}

ScanInterface* scan_interface() {
  return manager().ui;
}

DSMENTRYPROC source_manager_entry() {
  if (manager().override_entry) return manager().override_entry;
  return sane_api() ? entry : nullptr;
}

std::string unavailable_reason() {
  std::string why;
  sane_api(&why);
  return why;
}

void override_source_manager(DSMENTRYPROC e) {
  manager().override_entry = e;
}

void set_default_source(const std::string& name) {
  manager().default_name = name;
}

std::string default_source() {
  const Manager& m = manager();
  if (!m.default_name.empty()) return m.default_name;
  return m.sources.empty() ? std::string() : m.sources.front().name;
}

std::vector<SourceInfo> list_sources(std::string& error) {
  Manager& m = manager();
  TW_IDENTITY app{};
  if (entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr) != TWRC_SUCCESS ||
      !refresh_sources()) {
    error = m.error;
    return {};
  }
  if (m.sources.empty()) error = "No scanner was found.";
  return m.sources;
}

ScanSession* open_source() {
  return manager().session.get();
}

std::string last_error() {
  return manager().error;
}

void set_message_notifier(std::function<void()> notify) {
  manager().notify = std::move(notify);
}

bool message_waiting() {
  return !manager().waiting.empty();
}

}  // namespace scan
