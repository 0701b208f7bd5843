// The acquisition protocol's records and codes, as published (identity records of protocol 1.6): the engine
// speaks it to a source manager through one entry point, whatever lies behind it.
#pragma once

#include <cstdint>

using TW_UINT16 = std::uint16_t;
using TW_UINT32 = std::uint32_t;
using TW_INT16 = std::int16_t;
using TW_BOOL = std::uint16_t;
using TW_MEMREF = void*;
using TW_HANDLE = void*;

#pragma pack(push, 2)
using TW_STR32 = char[34];

struct TW_VERSION {
  TW_UINT16 MajorNum;
  TW_UINT16 MinorNum;
  TW_UINT16 Language;
  TW_UINT16 Country;
  TW_STR32 Info;
};

struct TW_IDENTITY {
  TW_UINT32 Id;
  TW_VERSION Version;
  TW_UINT16 ProtocolMajor;
  TW_UINT16 ProtocolMinor;
  TW_UINT32 SupportedGroups;
  TW_STR32 Manufacturer;
  TW_STR32 ProductFamily;
  TW_STR32 ProductName;
};

struct TW_USERINTERFACE {
  TW_BOOL ShowUI;
  TW_BOOL ModalUI;
  TW_HANDLE hParent;
};

struct TW_PENDINGXFERS {
  TW_UINT16 Count;  // 0xFFFF: more pages, how many unknown
  TW_UINT32 Reserved;
};

struct TW_EVENT {
  TW_MEMREF pEvent;  // the application's message
  TW_UINT16 TWMessage;
};

struct TW_STATUS {
  TW_UINT16 ConditionCode;
  TW_UINT16 Reserved;
};
#pragma pack(pop)

static_assert(sizeof(TW_IDENTITY) == 156, "the identity record is 156 bytes");

using DSMENTRYPROC = TW_UINT16 (*)(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat,
                                   TW_UINT16 msg, TW_MEMREF data);

// The application's message as the engine hands it to the source manager for inspection: the loop's own
// event number and whatever it carries.
struct TW_APPMESSAGE {
  TW_UINT32 message;
  TW_UINT32 param;
};

enum : TW_UINT32 { DG_CONTROL = 0x1, DG_IMAGE = 0x2 };

enum : TW_UINT16 {
  DAT_NULL = 0x0,
  DAT_CAPABILITY = 0x1,
  DAT_EVENT = 0x2,
  DAT_IDENTITY = 0x3,
  DAT_PARENT = 0x4,
  DAT_PENDINGXFERS = 0x5,
  DAT_STATUS = 0x8,
  DAT_USERINTERFACE = 0x9,
  DAT_IMAGENATIVEXFER = 0x104,
};

enum : TW_UINT16 {
  MSG_NULL = 0x0,
  MSG_GET = 0x1,
  MSG_GETDEFAULT = 0x3,
  MSG_GETFIRST = 0x4,
  MSG_GETNEXT = 0x5,
  MSG_SET = 0x6,
  MSG_RESET = 0x7,
  MSG_XFERREADY = 0x101,
  MSG_CLOSEDSREQ = 0x102,
  MSG_OPENDSM = 0x301,
  MSG_CLOSEDSM = 0x302,
  MSG_OPENDS = 0x401,
  MSG_CLOSEDS = 0x402,
  MSG_USERSELECT = 0x403,
  MSG_DISABLEDS = 0x501,
  MSG_ENABLEDS = 0x502,
  MSG_PROCESSEVENT = 0x601,
  MSG_ENDXFER = 0x701,
};

enum : TW_UINT16 {
  TWRC_SUCCESS = 0,
  TWRC_FAILURE = 1,
  TWRC_CHECKSTATUS = 2,
  TWRC_CANCEL = 3,
  TWRC_DSEVENT = 4,
  TWRC_NOTDSEVENT = 5,
  TWRC_XFERDONE = 6,
  TWRC_ENDOFLIST = 7,
};

enum : TW_UINT16 {
  TWCC_SUCCESS = 0,
  TWCC_BUMMER = 1,
  TWCC_LOWMEMORY = 2,
  TWCC_NODS = 3,
  TWCC_OPERATIONERROR = 5,
  TWCC_BADPROTOCOL = 9,
  TWCC_BADVALUE = 10,
  TWCC_SEQERROR = 11,
  TWCC_BADDEST = 12,
};
