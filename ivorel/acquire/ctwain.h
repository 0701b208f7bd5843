// The scanner acquisition engine: a state machine over a source manager that speaks the published
// acquisition protocol. It loads the manager on demand, lets the user pick a source, opens and enables the
// default source, hands the application's messages to it, receives native transfers (packed DIBs) and gives
// each one to DibReceived, which an application overrides to open the page.
//
// States: 1 nothing loaded, 2 manager loaded, 3 manager open, 4 source open, 5 source enabled, 6 transfer
// ready, 7 transferring. Every change goes through SetState.
#pragma once

#include "ivorel/acquire/twain_protocol.h"
#include "platform/core/memblock.h"

enum TW_ERR { TWERR_OPEN_DSM = 0, TWERR_OPEN_SOURCE = 1, TWERR_ENABLE_SOURCE = 2 };

class CTwain {
 public:
  CTwain();
  virtual ~CTwain();
  CTwain(const CTwain&) = delete;
  CTwain& operator=(const CTwain&) = delete;

  void RegisterApp(int major, int minor, int language, int country, const char* info,
                   const char* manufacturer, const char* family, const char* product);
  int TwainAvailable();

  int State() const { return m_nState; }
  void SetState(int state);
  void SetDefWindow(void* window) { m_hwndDef = window; }
  void* DefWnd(void* window = nullptr) const;
  void SetShowUI(int show) { m_bShowUI = show; }
  int GetShowUI() const { return m_bShowUI; }
  TW_UINT16 ResultCode() const { return m_rc; }
  TW_UINT16 ConditionCode();

  // Manager (no destination) and source calls; 1 when the return code is TWRC_SUCCESS.
  int SM(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  int DS(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

  int LoadSourceManager();
  int OpenSourceManager(void* window);
  int SelectSource(void* window);
  int OpenDefaultSource();
  int EnableSource(void* window);
  int DisableSource();
  int CloseSource();
  int CloseSourceManager(void* window);
  int UnloadSourceManager();
  int EndXfer();
  int CancelXfers();
  int DropToState(int target, void* window);

  int BeginAcquire(void* window);
  int ModalAcquire(void* window);
  void ModalEventLoop();
  // Offers one application message to the enabled source; 1 when it was the source's own.
  int TwainMessageHook(TW_APPMESSAGE* message);

  // The source identity in use (process-wide, as the protocol has one connection per process).
  static const TW_IDENTITY& SourceIdentity();

 protected:
  virtual void XferReady(TW_APPMESSAGE* message);
  virtual void CloseDsRequest();
  // Owns `bitmap` (a packed DIB); the engine's version frees it.
  virtual void DibReceived(HGLOBAL bitmap);
  virtual void StateChange(int) {}
  virtual void TwainError(TW_ERR) {}
  // The next application message for ModalEventLoop; 0 ends the loop (the quit message). Without a loop of
  // the application's own, the source manager's waiting messages are the only ones.
  virtual int NextMessage(TW_APPMESSAGE& message);

 private:
  int Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  void TrackState(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

  int m_bInitialised = 1;
  int m_nState = 1;
  int m_nStartState = 1;
  TW_IDENTITY m_AppId{};
  TW_UINT16 m_rc = TWRC_SUCCESS;
  TW_USERINTERFACE m_twUI{};
  int m_bShowUI = 1;
  TW_PENDINGXFERS m_pendingXfers{};
  void* m_hwndDef = nullptr;
};

namespace scan {
// The application's main window, for DefWnd's last resort; the GUI sets it.
void set_main_window(void* window);
}  // namespace scan
