// The settings: read when the window is first shown, written when it closes.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/qt_settings_store.h"
#include "tests/app/window_fixture.h"
#include "tests/support/hex_writer.h"
#include "tests/support/pty_peer.h"
#include "tests/support/temp_dir.h"

namespace app_test {
namespace {

using Stored = std::map<std::string, MemorySettings::Value>;

const Stored kAllFive = {
    {"Top", 120}, {"Left", 40}, {"ComPort", 2}, {"BaudRate", 2}, {"FileName", "fw.hex"}};

Stored With(Stored stored, const std::string& name, MemorySettings::Value value) {
  stored[name] = std::move(value);
  return stored;
}

Stored Without(Stored stored, const std::string& name) {
  stored.erase(name);
  return stored;
}

const std::vector<std::string> kOpen = {"open \\Software\\Halvery\\TarvoLoader", "open Settings"};

std::vector<std::string> OpenAndRead(std::initializer_list<const char*> names) {
  std::vector<std::string> log = kOpen;
  for (const char* name : names) log.push_back(std::string("read ") + name);
  return log;
}

// A window over three ports that open, found in this order.
class SettingsWindowTest : public WindowTest {
 protected:
  SettingsWindowTest() {
    for (int i = 0; i < 3; ++i) {
      ports.push_back({peers[i].Path(), "Port " + std::to_string(i), "usb"});
    }
  }
  testing_support::PtyPeer peers[3];
};

struct OutcomeCase {
  const char* name;
  Stored stored;
  bool refuse_keys;
  QPoint position;  // left, top
  int port;         // selected entry of CommPortBox, -1 for none
  int speed_index;
  int speed_box;  // selected entry of SpeedBox
  const char* file;
  std::vector<std::string> log;
};

// Names the case in test listings.
void PrintTo(const OutcomeCase& c, std::ostream* os) {
  *os << c.name;
}

class SettingsOutcomeTest : public SettingsWindowTest,
                            public ::testing::WithParamInterface<OutcomeCase> {
 protected:
  SettingsOutcomeTest() {
    settings.refuse_keys = GetParam().refuse_keys;
    if (!GetParam().stored.empty()) settings.Settings() = GetParam().stored;
  }
};

TEST_P(SettingsOutcomeTest, ShownWindowTakesWhatWasReadAndDefaultsForTheRest) {
  const OutcomeCase& c = GetParam();
  EXPECT_EQ(form->pos(), c.position);
  EXPECT_EQ(form->CommPortBox->count(), 3);
  EXPECT_EQ(form->CommPortBox->currentIndex(), c.port);
  EXPECT_EQ(form->unit.SpeedIndex, c.speed_index);
  EXPECT_EQ(form->SpeedBox->currentIndex(), c.speed_box);
  EXPECT_EQ(form->FileNameEdit->text().toStdString(), c.file);
  EXPECT_EQ(settings.log, c.log);
  EXPECT_TRUE(form->StartISPChk->isChecked());
}

const QPoint kLayoutPosition(688, 203);

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SettingsOutcomeTest,
    ::testing::Values(
        OutcomeCase{"all_five_read",
                    kAllFive,
                    false,
                    {40, 120},
                    2,
                    2,
                    2,
                    "fw.hex",
                    OpenAndRead({"Top", "Left", "ComPort", "BaudRate", "FileName"})},
        OutcomeCase{"first_start", {}, false, kLayoutPosition, 0, 5, 5, "", OpenAndRead({"Top"})},
        OutcomeCase{"error_at_left",
                    {{"Top", 120}},
                    false,
                    {688, 120},
                    0,
                    5,
                    5,
                    "",
                    OpenAndRead({"Top", "Left"})},
        OutcomeCase{"error_at_baud_rate",
                    With(kAllFive, "BaudRate", "fast"),
                    false,
                    {40, 120},
                    2,
                    5,
                    5,
                    "",
                    OpenAndRead({"Top", "Left", "ComPort", "BaudRate"})},
        OutcomeCase{"error_at_file_name",
                    With(kAllFive, "FileName", 7),
                    false,
                    {40, 120},
                    2,
                    5,
                    5,
                    "",
                    OpenAndRead({"Top", "Left", "ComPort", "BaudRate", "FileName"})},
        OutcomeCase{"keys_cannot_be_opened",
                    kAllFive,
                    true,
                    kLayoutPosition,
                    0,
                    0,
                    0,
                    "",
                    {"open \\Software\\Halvery\\TarvoLoader"}},
        OutcomeCase{"stored_minus_one",
                    With(kAllFive, "ComPort", -1),
                    false,
                    {40, 120},
                    -1,
                    2,
                    2,
                    "fw.hex",
                    OpenAndRead({"Top", "Left", "ComPort", "BaudRate", "FileName"})},
        OutcomeCase{"fewer_ports_than_stored",
                    With(kAllFive, "ComPort", 7),
                    false,
                    {40, 120},
                    -1,
                    2,
                    2,
                    "fw.hex",
                    OpenAndRead({"Top", "Left", "ComPort", "BaudRate", "FileName"})},
        OutcomeCase{"hand_edited_baud_rate_9",
                    With(kAllFive, "BaudRate", 9),
                    false,
                    {40, 120},
                    2,
                    9,
                    -1,
                    "fw.hex",
                    OpenAndRead({"Top", "Left", "ComPort", "BaudRate", "FileName"})},
        OutcomeCase{"file_name_deleted",
                    Without(kAllFive, "FileName"),
                    false,
                    {40, 120},
                    2,
                    2,
                    2,
                    "",
                    OpenAndRead({"Top", "Left", "ComPort", "BaudRate", "FileName"})}),
    [](const ::testing::TestParamInfo<OutcomeCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST_F(SettingsWindowTest, FirstStartCreatesTheKeysAndCloseWritesAllSixValues) {
  EXPECT_TRUE(settings.keys.contains("\\Software\\Halvery\\TarvoLoader"));
  EXPECT_TRUE(settings.Settings().empty());
  form->move(30, 60);
  form->CommPortBox->setCurrentIndex(1);
  form->SpeedBox->setCurrentIndex(3);
  emit form->SpeedBox->activated(3);
  form->FileNameEdit->setText("a.hex");
  form->StartISPChk->setChecked(false);
  settings.log.clear();
  form->close();
  std::vector<std::string> writes = kOpen;
  for (const char* write : {"write Top=60", "write Left=30", "write ComPort=1", "write BaudRate=3",
                            "write FileName=a.hex", "write StartISP=0"}) {
    writes.push_back(write);
  }
  EXPECT_EQ(settings.log, writes);

  // The next start comes back the same way, with "Start ISP" ticked again.
  form = std::make_unique<app::TMainForm>();
  form->show();
  EXPECT_EQ(form->pos(), QPoint(30, 60));
  EXPECT_EQ(form->CommPortBox->currentIndex(), 1);
  EXPECT_EQ(form->unit.SpeedIndex, 3);
  EXPECT_EQ(form->FileNameEdit->text(), "a.hex");
  EXPECT_TRUE(form->StartISPChk->isChecked());
}

TEST_F(SettingsWindowTest, PortTypedByHandIsSavedAsNoSelection) {
  form->CommPortBox->setCurrentIndex(1);
  form->CommPortBox->setEditText("/tmp/module");
  form->close();
  EXPECT_EQ(std::get<std::int32_t>(settings.Settings().at("ComPort")), -1);
}

TEST_F(SettingsWindowTest, WriteErrorAtCloseKeepsWhatWasWrittenAndTheWindowCloses) {
  settings.broken_value = "ComPort";
  settings.log.clear();
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
  std::vector<std::string> writes = kOpen;
  writes.insert(writes.end(), {"write Top=203", "write Left=688", "write ComPort=0"});
  EXPECT_EQ(settings.log, writes);
  EXPECT_EQ(settings.Settings().size(), 2u);  // Top and Left
}

TEST_F(SettingsWindowTest, KeysThatCannotBeOpenedAtCloseWriteNothing) {
  settings.refuse_keys = true;
  settings.log.clear();
  form->close();
  EXPECT_EQ(settings.log, std::vector<std::string>{"open \\Software\\Halvery\\TarvoLoader"});
  EXPECT_TRUE(settings.Settings().empty());
}

// The production store, with the per-user settings in a folder of each
// test's own: tests run in parallel processes, which would otherwise share
// Qt's test folder.
class QtSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
      QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(folder.File("")));
    }
    QSettings("Halvery", "TarvoLoader").clear();
    QDir().mkpath(QFileInfo(FileName()).path());  // for the files the tests put there
  }
  void TearDown() override {
    QSettings("Halvery", "TarvoLoader").clear();
    const QString shared = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
      QSettings::setPath(format, QSettings::UserScope, shared);
    }
  }
  static QString FileName() { return QSettings("Halvery", "TarvoLoader").fileName(); }
  static std::unique_ptr<app::SettingsStore> Open() {
    auto store = std::make_unique<app::QtSettingsStore>();
    EXPECT_TRUE(store->OpenKey(app::kApplicationKey, true));
    EXPECT_TRUE(store->OpenKey(app::kSettingsKey, true));
    return store;
  }

  testing_support::ScopedTempDir folder;
};

TEST_F(QtSettingsStoreTest, IntegersMustBe32BitNumbersAndMissingTextsReadEmpty) {
  {
    auto store = Open();
    store->WriteInteger("Top", -12);
    store->WriteString("FileName", "/home/op/fw, v2.hex");
  }
  QSettings raw("Halvery", "TarvoLoader");
  raw.setValue("Settings/Huge", "5000000000");
  raw.setValue("Settings/Word", "12abc");
  raw.sync();

  auto store = Open();
  EXPECT_EQ(store->ReadInteger("Top"), -12);
  EXPECT_EQ(store->ReadString("FileName"), "/home/op/fw, v2.hex");
  EXPECT_EQ(store->ReadString("Missing"), "");
  for (const char* bad : {"Huge", "Word", "Missing"}) {
    EXPECT_THROW(store->ReadInteger(bad), app::SettingsError) << bad;
  }
  EXPECT_FALSE(store->OpenKey("\\Software\\Other", true));
}

TEST_F(QtSettingsStoreTest, GarbageSettingsFileGivesTheDefaultsAndIsWrittenAnewAtClose) {
  {
    QFile file(FileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings\n\x01\x02 garbage = = =\n[[[\nTop=\n");
  }
  testing_support::PtyPeer peer;
  app::PortEnumerator() = FixedPorts({{peer.Path(), "Port", "usb"}});
  {
    app::TMainForm form;
    form.show();
    EXPECT_EQ(form.CommPortBox->currentIndex(), 0);
    EXPECT_EQ(form.unit.SpeedIndex, 5);
    EXPECT_EQ(form.FileNameEdit->text(), "");
    form.FileNameEdit->setText("b.hex");
    form.close();
  }
  // The file on disk now holds the values (read as text: QSettings keeps
  // what it parsed in a cache of its own).
  QFile file(FileName());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString written = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(written.contains("[Settings]")) << written.toStdString();
  EXPECT_TRUE(written.contains("FileName=b.hex")) << written.toStdString();
  EXPECT_TRUE(written.contains("BaudRate=5")) << written.toStdString();
  EXPECT_TRUE(written.contains("StartISP=1")) << written.toStdString();
  app::PortEnumerator() = comm::EnumSerialPorts;
}

TEST_F(QtSettingsStoreTest, LeftoverLockFileDoesNotHoldTheCloseAndTheValuesAreWritten) {
  // Lock files that no write holds: QSettings alone would wait 30 s for them.
  struct Case {
    const char* name;
    QByteArray lock;
  } cases[] = {
      {"empty", ""},
      {"garbage", "hello\nworld\nagain\n"},
      {"binary", QByteArray(64, '\xFF')},
      {"another host", "4242\nTarvoLoader\nsome-other-host\n"},
  };
  testing_support::PtyPeer peer;
  app::PortEnumerator() = FixedPorts({{peer.Path(), "Port", "usb"}});
  for (const Case& c : cases) {
    QSettings("Halvery", "TarvoLoader").clear();
    {
      QFile lock(FileName() + ".lock");
      ASSERT_TRUE(lock.open(QIODevice::WriteOnly)) << c.name;
      lock.write(c.lock);
    }
    QElapsedTimer closing;
    {
      app::TMainForm form;
      form.show();
      form.FileNameEdit->setText(QString("%1.hex").arg(c.name));
      closing.start();
      form.close();
    }
    // A generous bound: the fault it guards against costs 32 s.
    EXPECT_LT(closing.elapsed(), 5000) << c.name;
    QFile file(FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.name;
    EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains(QString("FileName=%1.hex").arg(c.name)))
        << c.name;
    EXPECT_FALSE(QFile::exists(FileName() + ".lock")) << c.name;
  }
  app::PortEnumerator() = comm::EnumSerialPorts;
}

// A fresh account: a HOME of its own with no ".config" in it yet, and no
// XDG_CONFIG_HOME, so that the store's file lies where Qt puts it for such a
// user.
class FreshHomeSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::filesystem::create_directory(folder.Path() / "home");
    ::setenv("HOME", folder.File("home").c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    // Where Qt puts a real user's settings (the tests run in Qt's test mode,
    // which has a folder of its own).
    QStandardPaths::setTestModeEnabled(false);
    SetUserPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QStandardPaths::setTestModeEnabled(true);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    SetUserPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    app::PortEnumerator() = comm::EnumSerialPorts;
  }
  static void SetUserPath(const QString& path) {
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
      QSettings::setPath(format, QSettings::UserScope, path);
    }
  }

  testing_support::ScopedTempDir folder;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(FreshHomeSettingsTest, FirstCloseMakesTheFolderAndWritesTheSettings) {
  const std::string file = folder.File("home/.config/Halvery/TarvoLoader.conf");
  ASSERT_EQ(QSettings("Halvery", "TarvoLoader").fileName().toStdString(), file);
  ASSERT_FALSE(std::filesystem::exists(folder.Path() / "home/.config"));
  testing_support::PtyPeer peer;
  app::PortEnumerator() = FixedPorts({{peer.Path(), "Port", "usb"}});
  testing::internal::CaptureStderr();
  {
    app::TMainForm form;
    form.show();
    form.CommPortBox->setEditText("/tmp/typed-port");
    form.FileNameEdit->setText("fresh.hex");
    form.close();
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  const std::string written = testing_support::ReadFile(file);
  for (const char* line : {"[Settings]", "FileName=fresh.hex", "ComPort=-1", "StartISP=1"}) {
    EXPECT_NE(written.find(line), std::string::npos) << line << "\n" << written;
  }
  // And the next start reads them back.
  app::TMainForm again;
  again.show();
  EXPECT_EQ(again.FileNameEdit->text(), "fresh.hex");
}

TEST_F(FreshHomeSettingsTest, WriteThatCannotBeMadeIsToldOnStandardError) {
  // A file where the settings folder would go: no folder can be made there.
  testing_support::WriteTextFile(folder.File("home/.config"), "not a folder");
  testing::internal::CaptureStderr();
  {
    app::QtSettingsStore store;
    ASSERT_TRUE(store.OpenKey(app::kApplicationKey, true));
    ASSERT_TRUE(store.OpenKey(app::kSettingsKey, true));
    store.WriteString("FileName", "lost.hex");
  }
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string told = "tarvo-loader: settings not saved to " +
                           folder.File("home/.config/Halvery/TarvoLoader.conf") +
                           ": its lock file cannot be made\n";
  EXPECT_NE(err.find(told), std::string::npos) << err;
}

}  // namespace
}  // namespace app_test
