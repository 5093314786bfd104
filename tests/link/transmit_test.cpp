#include <gtest/gtest.h>

#include "link/link_test_fixture.h"
#include "link/port_name.h"

namespace ctrlprog {
namespace {

using testing::LinkTest;
using Lines = std::vector<std::string>;

class TransmitTest : public LinkTest {
 protected:
  // The window as it stands while idle.
  void ExpectIdle() {
    EXPECT_EQ(link().State(), Closed);
    EXPECT_EQ(ui.Caption(Control::cmdFileSend), "Start Transmit");
    EXPECT_TRUE(ui.IsEnabled(Control::Frame10));
    EXPECT_TRUE(ui.IsEnabled(Control::cboComPort));
    EXPECT_TRUE(ui.IsEnabled(Control::mnuOpenFile));
    EXPECT_TRUE(ui.IsEnabled(Control::mnuStoreFile));
    EXPECT_TRUE(ui.IsEnabled(Control::Label1_0));
    EXPECT_FALSE(ui.TimerEnabled());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(LogLines().back(), "Comm is Closed");
  }
};

TEST_F(TransmitTest, StartOpensThePortBuildsTheFrameAndLocksTheLists) {
  ui.SetPortText("2   ");
  form.cmdFileSend_Click();
  EXPECT_EQ(port.PortText(), "2   ");
  EXPECT_EQ(link().State(), Polling);
  EXPECT_EQ(link().Frame(), testing::FrameOf(testing::WorkedSets()[0]));
  EXPECT_EQ(LogLines(), Lines{"Transmit Started"});
  EXPECT_EQ(ui.Caption(Control::cmdFileSend), "Stop Transmit");
  EXPECT_FALSE(ui.IsEnabled(Control::Frame10));
  EXPECT_FALSE(ui.IsEnabled(Control::cboComPort));
  EXPECT_FALSE(ui.IsEnabled(Control::mnuOpenFile));  // a loaded file would not be what is sent
  EXPECT_TRUE(ui.IsEnabled(Control::mnuStoreFile));
  EXPECT_TRUE(ui.TimerEnabled());
  EXPECT_TRUE(port.IsOpen());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransmitTest, StopInEveryStateClosesEverythingAndKeepsCounterAndProgress) {
  for (TransferState state : {Polling, ReadyToSend, AwaitingAck, Acknowledged}) {
    SCOPED_TRACE("state " + std::to_string(static_cast<int>(state)));
    form.cmdFileSend_Click();
    link().ForceState(state);
    link().ForceTickCount(7);
    ui.SetProgressValue(75);
    ui.SetEnabled(Control::Label1_0, false);  // caught mid-blink
    form.cmdFileSend_Click();
    ExpectIdle();
    EXPECT_EQ(link().TickCount(), 7);
    EXPECT_EQ(ui.ProgressValue(), 75);
  }
}

TEST_F(TransmitTest, StartDoesNotResetTheTickCounter) {
  link().ForceTickCount(3);
  form.cmdFileSend_Click();
  EXPECT_EQ(link().TickCount(), 3);
}

TEST_F(TransmitTest, TellsTheOperatorWhyThePortDidNotOpen) {
  struct Case {
    int setPortError;
    int openError;
    Lines messages;
  };
  const Case cases[] = {
      {kCommOk, kCommNoSuchPort, {"This Comm is no use, Please try other one!"}},
      {kCommOk, kCommPortBusy, {"This Comm occupied, Please try other one!"}},
      {kCommOk, kCommOtherError, {}},  // silent, as any other failure
      {kCommOverflow, kCommOk, {}},    // a port number that does not fit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.openError + c.setPortError);
    ui.messages.clear();
    port.setPortError = c.setPortError;
    port.openErrors = {c.openError};
    form.cmdFileSend_Click();
    EXPECT_EQ(ui.messages, c.messages);
    ExpectIdle();
    EXPECT_EQ(port.writes.size(), 0u);
  }
}

TEST_F(TransmitTest, AnIncompleteSetIsRefusedBeforeThePortIsTouched) {
  testing::FakeServices emptyUi;
  testing::FakeSerialPort emptyPort;
  frmMain fresh(emptyUi, emptyPort);
  fresh.Form_Load();
  for (int i = 0; i < 7; ++i)
    emptyUi.ComboSelect(i, ParameterTable()[static_cast<size_t>(i)].choices[1]);
  fresh.strParam()[8] = "untouched";
  fresh.cmdFileSend_Click();
  EXPECT_EQ(emptyUi.messages, Lines{"Please check all parameter was stuffed"});
  EXPECT_EQ(emptyPort.opens, 0);
  EXPECT_EQ(fresh.strParam()[6], "1:Cycle Mode");  // copied up to the empty index 7
  EXPECT_EQ(fresh.strParam()[7], "");
  EXPECT_EQ(fresh.strParam()[8], "untouched");
  EXPECT_EQ(emptyUi.Caption(Control::cmdFileSend), "Start Transmit");
  EXPECT_NE(emptyUi.LogText().find("Comm is Closed"), std::string::npos);
}

TEST(DeviceForPortText, NamesThePlatformsPortOrAPath) {
  struct Case {
    std::string text;
    Platform platform;
    int error;
    std::string device;
  };
  const Case cases[] = {
      {"1", Platform::Linux, kCommOk, "/dev/ttyS0"},
      {"2   ", Platform::Linux, kCommOk, "/dev/ttyS1"},
      {"4 ", Platform::Windows, kCommOk, "COM4"},
      {"2.5", Platform::Linux, kCommOk, "/dev/ttyS1"},  // half to even: 2
      {"3.5", Platform::Linux, kCommOk, "/dev/ttyS3"},  // half to even: 4
      {"COM3", Platform::Windows, kCommOk, ""},         // no leading number: port 0
      {"", Platform::Linux, kCommOk, ""},
      {"0", Platform::Linux, kCommOk, ""},
      {"-3", Platform::Linux, kCommOk, ""},
      {"32767", Platform::Linux, kCommOk, "/dev/ttyS32766"},
      {"32767.5", Platform::Linux, kCommOverflow, ""},
      {"-32768", Platform::Linux, kCommOk, ""},
      {"-32769", Platform::Linux, kCommOverflow, ""},
      {"1E9", Platform::Linux, kCommOverflow, ""},
      {"  /dev/ttyUSB0 ", Platform::Linux, kCommOk, "/dev/ttyUSB0"},
      {"/tmp/sim port", Platform::Linux, kCommOk, "/tmp/sim port"},
  };
  for (const Case& c : cases) {
    const PortDevice d = DeviceForPortText(c.text, c.platform);
    EXPECT_EQ(d.error, c.error) << '"' << c.text << '"';
    EXPECT_EQ(d.device, c.device) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace ctrlprog
