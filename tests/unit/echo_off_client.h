#pragma once

#include <gtest/gtest.h>

#include "isp/wire/boot_client.h"
#include "tests/unit/scripted_link.h"

namespace unit {

// A client past synchronisation, echo off; at the end every step of the
// script must have been taken and nothing unexpected sent.
class EchoOffClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link.Expect("A 0\r\n", "A 0\r\n0\r\n");
    ASSERT_TRUE(client.SetEcho(false).Ok());
  }
  void TearDown() override {
    EXPECT_TRUE(link.unexpected.empty()) << isp::ShowBytes(link.unexpected.front());
    EXPECT_TRUE(link.ScriptDone());
  }

  ScriptedLink link;
  isp::BootClient client{link, 115200};
};

}  // namespace unit
