// The mplay_* built-ins as game code calls them: each row calls one function with its
// arguments and checks the answer, in order, in one fresh game.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/code/Code_Function.h"
#include "runner/multiplayer/DPlay_Main.h"
#include "runner/multiplayer/Function_DPlay.h"

namespace {
void Register() {
  static const bool done = [] {
    RegisterFamily(MultiplayerFunctions());
    return true;
  }();
  (void)done;
}

RValue Call(const std::string& name, std::vector<RValue> args) {
  int32_t id = -1;
  EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
  const RFunction* f = FunctionAt(id);
  RValue result;
  if (!f) return result;
  if (f->f_argnumb >= 0) {
    EXPECT_EQ(static_cast<size_t>(f->f_argnumb), args.size()) << name;
  }
  args.resize(16);
  f->f_routine(nullptr, nullptr, f->f_argnumb, args.data(), result);
  return result;
}

RValue R(double d) { return RValue(d); }
RValue S(const char* s) { return RValue(std::string_view(s)); }

struct Row {
  const char* name;
  std::vector<RValue> args;
  RValue want;
};

void RunRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    const RValue got = Call(row.name, row.args);
    EXPECT_EQ(got.IsString(), row.want.IsString()) << row.name;
    if (got.IsString()) {
      EXPECT_EQ(got.str(), row.want.str()) << row.name;
    } else {
      EXPECT_EQ(got.val(), row.want.val()) << row.name;
    }
  }
}

std::string Port() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  return std::to_string(52000 + std::hash<std::string>{}(info->name()) % 200 * 2 * kPortSpan);
}
}  // namespace

TEST(MultiplayerFunctions, WithoutAConnectionOrSessionNothingHappens) {
  Register();
  RunRows({
      {"mplay_connect_status", {}, R(0)},
      {"mplay_session_create", {S("s"), R(4), S("me")}, R(0)},
      {"mplay_session_find", {}, R(0)},
      {"mplay_session_name", {R(0)}, S("")},
      {"mplay_session_join", {R(0), S("me")}, R(0)},
      {"mplay_player_find", {}, R(0)},
      {"mplay_player_name", {R(0)}, S("")},
      {"mplay_player_id", {R(0)}, R(0)},
      {"mplay_message_send", {R(0), R(1), R(2)}, R(0)},
      {"mplay_message_receive", {R(0)}, R(0)},
      {"mplay_message_count", {R(0)}, R(0)},
      {"mplay_message_name", {}, S("(unknown)")},
      {"mplay_data_write", {R(0), R(5)}, R(0)},
      {"mplay_data_read", {R(0)}, R(0)},
      // The connection kinds this runner has no provider for.
      {"mplay_init_ipx", {}, R(0)},
      {"mplay_init_modem", {S("modem"), S("")}, R(0)},
      {"mplay_init_serial", {R(1), R(9600), R(0), R(0), R(0)}, R(0)},
      // A port that is not a number in range.
      {"mplay_init_tcpip", {S("127.0.0.1:port")}, R(0)},
      {"mplay_init_tcpip", {S("127.0.0.1:")}, R(0)},
      {"mplay_init_tcpip", {S("127.0.0.1:70000")}, R(0)},
      {"mplay_connect_status", {}, R(0)},
      {"mplay_session_status", {}, R(0)},
  });
}

TEST(MultiplayerFunctions, ASessionOfOne) {
  Register();
  RunRows({
      {"mplay_init_tcpip", {S(("127.0.0.1:" + Port()).c_str())}, R(1)},
      {"mplay_init_tcpip", {S("127.0.0.1")}, R(0)},  // a second init while connected
      {"mplay_init_ipx", {}, R(0)},
      {"mplay_connect_status", {}, R(2)},
      {"mplay_session_mode", {R(1)}, R(0)},
      {"mplay_session_create", {S("solo"), R(0), S("me")}, R(1)},
      {"mplay_session_status", {}, R(1)},
      {"mplay_session_create", {S("solo"), R(0), S("me")}, R(0)},
      {"mplay_player_find", {}, R(1)},
      {"mplay_player_name", {R(0)}, S("me")},
      {"mplay_player_id", {R(0)}, R(1)},
      {"mplay_player_name", {R(1)}, S("")},
      {"mplay_data_write", {R(-1), R(5)}, R(0)},
      {"mplay_data_write", {R(1000001), R(5)}, R(0)},
      {"mplay_data_write", {R(7), S("seven")}, R(1)},
      {"mplay_data_read", {R(7)}, S("seven")},
      {"mplay_data_read", {R(1000001)}, R(0)},
      {"mplay_data_read", {R(-1)}, R(0)},
      // Sending to a name no player has, to oneself by name and by id.
      {"mplay_message_send", {S("nobody"), R(1), R(2)}, R(0)},
      {"mplay_message_send_guaranteed", {S("me"), R(4), S("hi")}, R(1)},
      {"mplay_message_send", {R(1), R(5), R(2.5)}, R(1)},
      {"mplay_message_count", {S("nobody")}, R(0)},
      {"mplay_message_count", {R(-1)}, R(0)},
      {"mplay_message_count", {S("me")}, R(2)},
      {"mplay_message_receive", {R(0)}, R(1)},
      {"mplay_message_id", {}, R(4)},
      {"mplay_message_value", {}, S("hi")},
      {"mplay_message_player", {}, R(1)},
      {"mplay_message_name", {}, S("me")},
      {"mplay_message_clear", {R(0)}, R(0)},
      {"mplay_message_receive", {R(0)}, R(0)},
      {"mplay_message_id", {}, R(4)},  // the current message stays
      {"mplay_session_end", {}, R(0)},
      {"mplay_session_status", {}, R(0)},
      {"mplay_connect_status", {}, R(2)},
      {"mplay_end", {}, R(0)},
      {"mplay_connect_status", {}, R(0)},
  });
}

TEST(MultiplayerFunctions, TheIpAddressIsDottedOrEmpty) {
  Register();
  const std::string ip(Call("mplay_ipaddress", {}).str());
  int dots = 0;
  for (char c : ip) {
    dots += c == '.';
    EXPECT_TRUE(c == '.' || (c >= '0' && c <= '9')) << ip;
  }
  EXPECT_TRUE(ip.empty() || dots == 3) << ip;
}
