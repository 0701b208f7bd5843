#include "ivorel/acquire/ctwain.h"

#include <cstring>

#include "ivorel/acquire/source_manager.h"

namespace {

// One connection per process, as the protocol has it.
DSMENTRYPROC g_entry = nullptr;
TW_IDENTITY g_source{};
int g_available = 0;  // 0 not yet known, 1 available, -1 not available
void* g_mainWindow = nullptr;

void copy_str32(char (&to)[34], const char* from) {
  std::memset(to, 0, sizeof to);
  std::strncpy(to, from ? from : "", sizeof to - 1);
}

}  // namespace

namespace scan {
void set_main_window(void* window) {
  g_mainWindow = window;
}
}  // namespace scan

CTwain::CTwain() {
  RegisterApp(1, 0, 13, 1, "<?>", "<?>", "<?>", "<?>");
}

CTwain::~CTwain() {
  DropToState(1, nullptr);
}

void CTwain::RegisterApp(int major, int minor, int language, int country, const char* info,
                         const char* manufacturer, const char* family, const char* product) {
  std::memset(&m_AppId, 0, sizeof m_AppId);
  m_AppId.Version.MajorNum = static_cast<TW_UINT16>(major);
  m_AppId.Version.MinorNum = static_cast<TW_UINT16>(minor);
  m_AppId.Version.Language = static_cast<TW_UINT16>(language);
  m_AppId.Version.Country = static_cast<TW_UINT16>(country);
  copy_str32(m_AppId.Version.Info, info);
  m_AppId.ProtocolMajor = 1;
  m_AppId.ProtocolMinor = 6;
  m_AppId.SupportedGroups = DG_CONTROL | DG_IMAGE;
  copy_str32(m_AppId.Manufacturer, manufacturer);
  copy_str32(m_AppId.ProductFamily, family);
  copy_str32(m_AppId.ProductName, product);
}

int CTwain::TwainAvailable() {
  if (g_entry || g_available == 1) return 1;
  if (g_available == 0) g_available = LoadSourceManager() ? 1 : -1;
  return g_available == 1;
}

void CTwain::SetState(int state) {
  m_nState = state;
  StateChange(state);
}

void* CTwain::DefWnd(void* window) const {
  if (window) return window;
  return m_hwndDef ? m_hwndDef : g_mainWindow;
}

TW_UINT16 CTwain::ConditionCode() {
  if (m_nState < 3 || !g_entry) return TWCC_SEQERROR;
  TW_STATUS status{};
  TW_IDENTITY* dest = m_nState >= 4 ? &g_source : nullptr;
  if (g_entry(&m_AppId, dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return TWCC_BUMMER;
  return status.ConditionCode;
}

const TW_IDENTITY& CTwain::SourceIdentity() {
  return g_source;
}

int CTwain::Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!g_entry) {
    m_rc = TWRC_FAILURE;
    return 0;
  }
  m_rc = g_entry(&m_AppId, dest, dg, dat, msg, data);
  TrackState(dest, dg, dat, msg, data);
  return m_rc == TWRC_SUCCESS;
}

int CTwain::SM(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return Call(nullptr, dg, dat, msg, data);
}

int CTwain::DS(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return Call(&g_source, dg, dat, msg, data);
}

void CTwain::TrackState(TW_IDENTITY*, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (dg == DG_IMAGE) {
    // A transfer that ended, or was cancelled, must still be ended whatever the call reported.
    if (dat == DAT_IMAGENATIVEXFER && msg == MSG_GET && (m_rc == TWRC_XFERDONE || m_rc == TWRC_CANCEL))
      SetState(7);
    return;
  }
  if (dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
    const TW_UINT16 message = data ? static_cast<TW_EVENT*>(data)->TWMessage : TW_UINT16{MSG_NULL};
    if (message == MSG_XFERREADY) SetState(6);
    if (message == MSG_CLOSEDSREQ) SetState(5);
    return;
  }
  if (m_rc != TWRC_SUCCESS) return;
  switch (dat) {
    case DAT_PARENT:
      if (msg == MSG_OPENDSM) SetState(3);
      if (msg == MSG_CLOSEDSM) SetState(2);
      break;
    case DAT_IDENTITY:
      if (msg == MSG_OPENDS) SetState(4);
      if (msg == MSG_CLOSEDS) SetState(3);
      break;
    case DAT_USERINTERFACE:
      if (msg == MSG_ENABLEDS) SetState(5);
      if (msg == MSG_DISABLEDS) SetState(4);
      break;
    case DAT_PENDINGXFERS:
      if (msg == MSG_ENDXFER) SetState(static_cast<TW_PENDINGXFERS*>(data)->Count != 0 ? 6 : 5);
      if (msg == MSG_RESET) SetState(5);
      break;
    default:
      break;
  }
}

int CTwain::LoadSourceManager() {
  if (m_nState >= 2) return 1;
  g_entry = scan::source_manager_entry();
  if (!g_entry) return 0;
  SetState(2);
  return 1;
}

int CTwain::OpenSourceManager(void* window) {
  if (LoadSourceManager() && m_nState == 2) {
    void* parent = DefWnd(window);
    SM(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent);
  }
  return m_nState >= 3;
}

int CTwain::SelectSource(void* window) {
  const int start = m_nState;
  if (!OpenSourceManager(window)) {
    TwainError(TWERR_OPEN_DSM);
    return 0;
  }
  TW_IDENTITY chosen{};
  SM(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &chosen);
  const int ok = SM(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &chosen);
  DropToState(start, window);
  return ok;
}

int CTwain::OpenDefaultSource() {
  if (m_nState != 3) return 0;
  std::memset(&g_source, 0, sizeof g_source);
  SM(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &g_source);
  return m_nState == 4;
}

int CTwain::EnableSource(void* window) {
  if (m_nState != 4) return 0;
  m_twUI.ShowUI = static_cast<TW_BOOL>(m_bShowUI != 0);
  m_twUI.ModalUI = 0;
  m_twUI.hParent = DefWnd(window);
  DS(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_twUI);
  return m_nState == 5;
}

int CTwain::DisableSource() {
  if (m_nState == 5) DS(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_twUI);
  return m_nState < 5;
}

int CTwain::CloseSource() {
  m_rc = TWRC_SUCCESS;
  if (m_nState == 5) DisableSource();
  if (m_nState == 4) SM(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &g_source);
  return m_nState < 4;
}

int CTwain::CloseSourceManager(void* window) {
  CloseSource();
  if (m_nState == 3) {
    void* parent = DefWnd(window);
    SM(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
  }
  return m_nState < 3;
}

int CTwain::UnloadSourceManager() {
  // The library itself stays mapped: scanner backends leave threads and exit handlers behind them.
  if (m_nState == 2) {
    g_entry = nullptr;
    SetState(1);
  }
  return m_nState < 2;
}

int CTwain::EndXfer() {
  if (m_nState == 7) DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &m_pendingXfers);
  return m_nState < 7;
}

int CTwain::CancelXfers() {
  EndXfer();
  if (m_nState == 6) DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &m_pendingXfers);
  return m_nState < 6;
}

int CTwain::DropToState(int target, void* window) {
  while (m_nState > target) {
    int stepped = 0;
    switch (m_nState) {
      case 7:
        stepped = EndXfer();
        break;
      case 6:
        stepped = CancelXfers();
        break;
      case 5:
        stepped = DisableSource();
        break;
      case 4:
        stepped = CloseSource();
        break;
      case 3:
        stepped = CloseSourceManager(window);
        break;
      default:
        stepped = UnloadSourceManager();
        break;
    }
    if (!stepped) return 0;
  }
  return 1;
}

int CTwain::BeginAcquire(void* window) {
  m_nStartState = m_nState;
  TW_ERR failure;
  if (m_nState < 3 && !OpenSourceManager(window)) {
    failure = TWERR_OPEN_DSM;
  } else if (m_nState < 4 && !OpenDefaultSource()) {
    failure = TWERR_OPEN_SOURCE;
  } else if (m_nState < 5 && !EnableSource(window)) {
    failure = TWERR_ENABLE_SOURCE;
  } else {
    return 1;
  }
  TwainError(failure);
  DropToState(m_nStartState, window);
  return 0;
}

int CTwain::ModalAcquire(void* window) {
  if (!BeginAcquire(window)) return 0;
  ModalEventLoop();
  DropToState(m_nStartState, window);
  return 1;
}

int CTwain::NextMessage(TW_APPMESSAGE& message) {
  if (!scan::message_waiting()) return 0;
  message = {scan::kSourceMessage, 0};
  return 1;
}

void CTwain::ModalEventLoop() {
  TW_APPMESSAGE message{};
  while (m_nState >= 5 && NextMessage(message)) TwainMessageHook(&message);
}

int CTwain::TwainMessageHook(TW_APPMESSAGE* message) {
  if (m_nState < 5) return 0;
  TW_EVENT event{message, MSG_NULL};
  DS(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  if (event.TWMessage == MSG_XFERREADY) XferReady(message);
  if (event.TWMessage == MSG_CLOSEDSREQ) CloseDsRequest();
  return m_rc == TWRC_DSEVENT;
}

void CTwain::XferReady(TW_APPMESSAGE*) {
  while (m_nState == 6) {
    HGLOBAL bitmap = nullptr;
    DS(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap);
    const bool counted = m_rc == TWRC_XFERDONE;
    if (!counted && bitmap) bitmap = GlobalFree(bitmap);
    if (m_nState == 6) {
      // A transfer that failed outright leaves the source waiting in state 6, where ending it does
      // nothing: reset the pending transfers, or this loop would never end.
      CancelXfers();
      break;
    }
    EndXfer();
    if (counted) DibReceived(bitmap);
  }
}

void CTwain::CloseDsRequest() {
  CloseSource();
}

void CTwain::DibReceived(HGLOBAL bitmap) {
  GlobalFree(bitmap);
}
