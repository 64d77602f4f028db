// Built-in multiplayer functions over the game's CMultiplayer. Only the TCP/IP connection
// exists here; IPX, modem and serial connections answer as unavailable. Failures show nothing:
// each function answers 0, "" or "(unknown)".
#include "runner/multiplayer/Function_DPlay.h"

#include "platform/net/Net.h"
#include "runner/base/Option_Main.h"
#include "runner/multiplayer/DPlay_Main.h"

namespace {
using Args = RValue*;

int32_t Int(const RValue& v) { return RoundToInt32(v.val()); }
void Bool(RValue& result, bool b) { result.SetReal(b ? 1.0 : 0.0); }
std::string Text(const RValue& v) { return std::string(v.str()); }

// A player argument: a real is an id (0 every player), a string the first player with that
// name. False when no player has the name.
bool PlayerArgument(const RValue& v, int64_t& id) {
  if (v.IsReal()) {
    id = RoundToInt64(v.val());
    return true;
  }
  uint32_t found = 0;
  if (!Multiplayer().PlayerByName(v.str(), found)) return false;
  id = found;
  return true;
}

// An addressee that cannot be a player id (negative, too large) reaches no one.
bool Addressee(const RValue& v, uint32_t& to) {
  int64_t id = 0;
  if (!PlayerArgument(v, id) || id < 0 || id > UINT32_MAX) return false;
  to = static_cast<uint32_t>(id);
  return true;
}

void mplay_init_unavailable(CInstance*, CInstance*, int32_t, Args, RValue& r) { Bool(r, false); }

void mplay_init_tcpip(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  CMultiplayer& mp = Multiplayer();
  if (mp.ConnectKind() == CMultiplayer::kNone) mp.config.app = GameSessionId();
  Bool(r, mp.InitTcpip(Text(argv[0])));
}

void mplay_connect_status(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  r.SetReal(Multiplayer().ConnectKind());
}

void mplay_end(CInstance*, CInstance*, int32_t, Args, RValue&) { Multiplayer().End(); }

void mplay_session_mode(CInstance*, CInstance*, int32_t, Args argv, RValue&) {
  Multiplayer().SetMigration(Int(argv[0]) != 0);
}

void mplay_session_create(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  Bool(r, Multiplayer().CreateSession(Text(argv[0]), Int(argv[1]), Text(argv[2])));
}

void mplay_session_find(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  r.SetReal(Multiplayer().FindSessions());
}

void mplay_session_name(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  r.SetString(Multiplayer().SessionName(Int(argv[0])));
}

void mplay_session_join(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  Bool(r, Multiplayer().JoinSession(Int(argv[0]), Text(argv[1])));
}

void mplay_session_status(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  r.SetReal(Multiplayer().Status());
}

void mplay_session_end(CInstance*, CInstance*, int32_t, Args, RValue&) { Multiplayer().EndSession(); }

void mplay_player_find(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  r.SetReal(Multiplayer().FindPlayers());
}

void mplay_player_name(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  r.SetString(Multiplayer().PlayerName(Int(argv[0])));
}

void mplay_player_id(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  r.SetReal(Multiplayer().PlayerId(Int(argv[0])));
}

void mplay_data_write(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  const int64_t index = RoundToInt64(argv[0].val());
  Bool(r, index >= 0 && index <= kMaxSharedIndex && Multiplayer().WriteData(static_cast<int32_t>(index), argv[1]));
}

void mplay_data_read(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  const int64_t index = RoundToInt64(argv[0].val());
  if (index >= 0 && index <= kMaxSharedIndex) r = Multiplayer().ReadData(static_cast<int32_t>(index));
}

void mplay_data_mode(CInstance*, CInstance*, int32_t, Args argv, RValue&) {
  Multiplayer().SetGuaranteedData(Int(argv[0]) != 0);
}

void Send(Args argv, RValue& r, bool guaranteed) {
  CMultiplayer& mp = Multiplayer();
  uint32_t to = 0;
  Bool(r, mp.Status() != CMultiplayer::kNoSession && Addressee(argv[0], to) &&
              mp.SendMessage(to, Int(argv[1]), argv[2], guaranteed));
}

void mplay_message_send(CInstance*, CInstance*, int32_t, Args argv, RValue& r) { Send(argv, r, false); }
void mplay_message_send_guaranteed(CInstance*, CInstance*, int32_t, Args argv, RValue& r) { Send(argv, r, true); }

// The filter of the receiving functions; false (do nothing) without a session or for a name no
// player has.
bool Filter(const RValue& v, int64_t& filter) {
  return Multiplayer().Status() != CMultiplayer::kNoSession && Multiplayer().ConnectKind() != CMultiplayer::kNone &&
         PlayerArgument(v, filter);
}

void mplay_message_receive(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  int64_t filter = 0;
  Bool(r, Filter(argv[0], filter) && Multiplayer().ReceiveMessage(filter));
}

void mplay_message_id(CInstance*, CInstance*, int32_t, Args, RValue& r) { r.SetReal(Multiplayer().Current().messid); }
void mplay_message_value(CInstance*, CInstance*, int32_t, Args, RValue& r) { r = Multiplayer().Current().val; }
void mplay_message_player(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  r.SetReal(Multiplayer().Current().player);
}
void mplay_message_name(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  r.SetString(Multiplayer().CurrentSenderName());
}

void mplay_message_count(CInstance*, CInstance*, int32_t, Args argv, RValue& r) {
  int64_t filter = 0;
  if (Filter(argv[0], filter)) r.SetReal(Multiplayer().CountMessages(filter));
}

void mplay_message_clear(CInstance*, CInstance*, int32_t, Args argv, RValue&) {
  int64_t filter = 0;
  if (Filter(argv[0], filter)) Multiplayer().ClearMessages(filter);
}

void mplay_ipaddress(CInstance*, CInstance*, int32_t, Args, RValue& r) { r.SetString(platform::LocalIpText()); }

constexpr RFunctionDef kMultiplayerFunctions[] = {
    {"mplay_init_ipx", 0, mplay_init_unavailable},
    {"mplay_init_tcpip", 1, mplay_init_tcpip},
    {"mplay_init_modem", 2, mplay_init_unavailable},
    {"mplay_init_serial", 5, mplay_init_unavailable},
    {"mplay_connect_status", 0, mplay_connect_status},
    {"mplay_end", 0, mplay_end},
    {"mplay_session_mode", 1, mplay_session_mode},
    {"mplay_session_create", 3, mplay_session_create},
    {"mplay_session_find", 0, mplay_session_find},
    {"mplay_session_name", 1, mplay_session_name},
    {"mplay_session_join", 2, mplay_session_join},
    {"mplay_session_status", 0, mplay_session_status},
    {"mplay_session_end", 0, mplay_session_end},
    {"mplay_player_find", 0, mplay_player_find},
    {"mplay_player_name", 1, mplay_player_name},
    {"mplay_player_id", 1, mplay_player_id},
    {"mplay_data_write", 2, mplay_data_write},
    {"mplay_data_read", 1, mplay_data_read},
    {"mplay_data_mode", 1, mplay_data_mode},
    {"mplay_message_send", 3, mplay_message_send},
    {"mplay_message_send_guaranteed", 3, mplay_message_send_guaranteed},
    {"mplay_message_receive", 1, mplay_message_receive},
    {"mplay_message_id", 0, mplay_message_id},
    {"mplay_message_value", 0, mplay_message_value},
    {"mplay_message_player", 0, mplay_message_player},
    {"mplay_message_name", 0, mplay_message_name},
    {"mplay_message_count", 1, mplay_message_count},
    {"mplay_message_clear", 1, mplay_message_clear},
    {"mplay_ipaddress", 0, mplay_ipaddress},
};
}  // namespace

FunctionFamily MultiplayerFunctions() { return kMultiplayerFunctions; }
