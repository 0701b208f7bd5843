// Our source manager: it answers the acquisition protocol's calls (the states, triplets and codes the engine
// uses) and presents each SANE device as a source. The user interface (choosing a source, the option dialog,
// progress) comes through an installed service; without one, the default source scans with its current
// options, so scripts and tests never block.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ivorel/acquire/twain_protocol.h"

namespace scan {

class ScanSession;

struct SourceInfo {
  std::string name;  // the SANE device name
  std::string vendor, model, type;
};

class ScanInterface {
 public:
  virtual ~ScanInterface() = default;
  // The user picks a source: its index in `sources`, or -1 when cancelled.
  virtual int choose_source(const std::vector<SourceInfo>& sources, int current, void* parent) = 0;
  // The open source's options before a scan: true to scan, false when the user closed the dialog.
  virtual bool configure(ScanSession& session, void* parent) = 0;
  // A page is being read: lines so far and expected (0 unknown). False cancels the scan.
  virtual bool progress(int done, int expected) = 0;
  // The page has ended (scanned, cancelled or failed).
  virtual void page_ended() {}
};

// The service stays owned by the caller; nullptr goes back to scanning without asking.
void install_scan_interface(ScanInterface* ui);
ScanInterface* scan_interface();

// The manager's entry point, or null when SANE cannot be loaded (unavailable_reason() says why).
DSMENTRYPROC source_manager_entry();
std::string unavailable_reason();
// Puts another manager in place of ours (tests of the engine); nullptr goes back.
void override_source_manager(DSMENTRYPROC entry);

// The source opened by default: the user's last choice, else the first device found.
void set_default_source(const std::string& name);
std::string default_source();
// Every device SANE finds now; empty with `error` when none or when SANE is missing.
std::vector<SourceInfo> list_sources(std::string& error);
// The open source, for scripts that set options between opening and enabling it; null when none is open.
ScanSession* open_source();
// Why the last call failed, in words for the user ("" when nothing failed).
std::string last_error();

// The number of the application message by which the source asks for attention. The manager calls the
// notifier when such a message waits; the application's loop then hands {kSourceMessage, 0} to the engine.
constexpr TW_UINT32 kSourceMessage = 0x8A11;
void set_message_notifier(std::function<void()> notify);
// Whether a source message is waiting (loops without an event queue of their own poll this).
bool message_waiting();

}  // namespace scan
