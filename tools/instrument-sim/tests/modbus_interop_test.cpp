// An independent Modbus RTU client (libmodbus) talks to the simulator on a pty: it builds its own
// requests and checks the simulator's replies, CRC included, for function codes 3, 6 and 16.
#include <gtest/gtest.h>
#include <modbus.h>

#include <cerrno>
#include <memory>
#include <thread>

#include "tools/instrument-sim/simulator.h"

namespace instrument_sim {
namespace {

struct ModbusDeleter {
  void operator()(modbus_t* ctx) const {
    modbus_close(ctx);
    modbus_free(ctx);
  }
};
using ModbusPtr = std::unique_ptr<modbus_t, ModbusDeleter>;

class ModbusInterop : public ::testing::Test {
protected:
  void SetUp() override {
    Instrument ins;
    ins.set_address(17);
    ins.set_baud(19200);
    ins.set_sensor(-105, 453);
    for (const HistoryRecord& r : generate_history(CivilTime{2018, 4, 8, 0, 0, 0}, 600, 30)) ins.add_history(r);
    sim_ = std::make_unique<Simulator>(std::move(ins));
    server_ = std::jthread([this](std::stop_token stop) { sim_->run(stop, std::chrono::milliseconds(5)); });
  }
  void TearDown() override {
    server_.request_stop();
    server_.join();
  }

  ModbusPtr connect(int baud, int slave = 17) {
    ModbusPtr ctx(modbus_new_rtu(sim_->port_path().c_str(), baud, 'N', 8, 1));
    EXPECT_NE(ctx, nullptr);
    if (!ctx) return ctx;
    EXPECT_EQ(modbus_set_slave(ctx.get(), slave), 0);
    EXPECT_EQ(modbus_connect(ctx.get()), 0) << modbus_strerror(errno);
    // Replies come within milliseconds; the time-out only matters when one is missing.
    modbus_set_response_timeout(ctx.get(), 1, 0);
    return ctx;
  }

  std::unique_ptr<Simulator> sim_;
  std::jthread server_;
};

TEST_F(ModbusInterop, ReadsLiveValuesAndParameterBlock) {
  auto ctx = connect(19200);
  std::uint16_t live[6] = {};
  ASSERT_EQ(modbus_read_registers(ctx.get(), 0, 6, live), 6) << modbus_strerror(errno);
  const LiveValues expected = sim_->locked([](Instrument& i) { return i.live(); });
  EXPECT_EQ(static_cast<std::int16_t>(live[0]), -105);
  EXPECT_EQ(live[1], 453);
  EXPECT_EQ(static_cast<std::int16_t>(live[2]), expected.dew_point);
  EXPECT_LT(static_cast<std::int16_t>(live[2]), -105);  // the dew point lies below the temperature
  EXPECT_EQ(live[5], 2);                                 // below the low limit of 0.0
  EXPECT_EQ(live[3], expected.do1 ? 1 : 0);

  std::uint16_t params[24] = {};
  ASSERT_EQ(modbus_read_registers(ctx.get(), 200, 24, params), 24) << modbus_strerror(errno);
  EXPECT_EQ(params[0], 17);
  EXPECT_EQ(params[1], 1);  // 19200 baud
  for (int i = 0; i < 24; ++i) {
    EXPECT_EQ(params[i], sim_->locked([i](Instrument& ins) { return ins.param(static_cast<std::uint16_t>(200 + i)); }));
  }

  std::uint16_t counts[4] = {};
  ASSERT_EQ(modbus_read_registers(ctx.get(), 7, 4, counts), 4);
  EXPECT_EQ(counts[1], 30);  // total, 32-bit
  EXPECT_EQ(counts[3], 30);  // unread
}

TEST_F(ModbusInterop, WritesSingleAndMultipleRegisters) {
  auto ctx = connect(19200);
  ASSERT_EQ(modbus_write_register(ctx.get(), 230, 3), 1) << modbus_strerror(errno);
  EXPECT_EQ(sim_->locked([](Instrument& i) { return i.energy_level(); }), 3);

  const std::uint16_t limits[2] = {400, static_cast<std::uint16_t>(-50)};
  ASSERT_EQ(modbus_write_registers(ctx.get(), 204, 2, limits), 2) << modbus_strerror(errno);
  std::uint16_t back[2] = {};
  ASSERT_EQ(modbus_read_registers(ctx.get(), 204, 2, back), 2);
  EXPECT_EQ(back[0], 400);
  EXPECT_EQ(back[1], static_cast<std::uint16_t>(-50));

  // Setting the clock (three registers of date and time bytes) and reading it back.
  const std::uint16_t clock[3] = {0x1203, 0x0507, 0x0809};  // 2018-03-05 07:08:09
  ASSERT_EQ(modbus_write_registers(ctx.get(), 224, 3, clock), 3) << modbus_strerror(errno);
  std::uint16_t now[3] = {};
  ASSERT_EQ(modbus_read_registers(ctx.get(), 224, 3, now), 3);
  EXPECT_EQ(now[0], 0x1203);
  EXPECT_EQ(now[1], 0x0507);
  EXPECT_LE(now[2] - 0x0809, 2);  // a second or two may pass on the real clock

  // The whole 24-register block, as the console's save sends it.
  std::uint16_t block[24] = {};
  ASSERT_EQ(modbus_read_registers(ctx.get(), 200, 24, block), 24);
  block[16] = 5817;
  ASSERT_EQ(modbus_write_registers(ctx.get(), 200, 24, block), 24) << modbus_strerror(errno);
  EXPECT_EQ(sim_->locked([](Instrument& i) { return i.param(reg::kPassword); }), 5817);
}

TEST_F(ModbusInterop, ExceptionRepliesReachTheClient) {
  auto ctx = connect(19200);
  std::uint16_t v = 0;
  EXPECT_EQ(modbus_read_registers(ctx.get(), 231, 1, &v), -1);
  EXPECT_EQ(errno, EMBXILADD);
  EXPECT_EQ(modbus_write_register(ctx.get(), 230, 9), -1);  // energy levels are 0..4
  EXPECT_EQ(errno, EMBXILVAL);
  EXPECT_EQ(modbus_write_register(ctx.get(), 300, 0x1234), -1);  // not the clear confirmation
  EXPECT_EQ(errno, EMBXILVAL);
  EXPECT_EQ(sim_->locked([](Instrument& i) { return i.history().size(); }), 30u);
}

TEST_F(ModbusInterop, SilentAtAnotherBaudRateOrAddress) {
  // Here no reply is the expected outcome: wait a tenth of a second for it.
  {
    auto ctx = connect(9600);
    modbus_set_response_timeout(ctx.get(), 0, 100000);
    std::uint16_t v = 0;
    EXPECT_EQ(modbus_read_registers(ctx.get(), 0, 1, &v), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
  }
  EXPECT_GE(sim_->stats().wrong_line, 1u);
  {
    auto ctx = connect(19200, 18);
    modbus_set_response_timeout(ctx.get(), 0, 100000);
    std::uint16_t v = 0;
    EXPECT_EQ(modbus_read_registers(ctx.get(), 0, 1, &v), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
  }
  auto ctx = connect(19200);
  std::uint16_t v = 0;
  EXPECT_EQ(modbus_read_registers(ctx.get(), 0, 1, &v), 1);
}

}  // namespace
}  // namespace instrument_sim
