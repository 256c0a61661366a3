// The port field's text picks the port: a selected entry through the
// PortTable, or a device path as typed.
#include <QComboBox>

#include "app/port_path.h"
#include "tests/app/window_fixture.h"

namespace app_test {
namespace {

struct PortCase {
  const char* name;
  int selected;       // entry selected in the list, -1 for none
  const char* typed;  // the field's text; nullptr keeps the selected entry's text
  std::optional<std::string> path;
};

// Names the case in test listings.
void PrintTo(const PortCase& c, std::ostream* os) {
  *os << c.name;
}

class PortPathTest : public ::testing::TestWithParam<PortCase> {};

TEST_P(PortPathTest, FieldTextGivesTheDevicePath) {
  EnsureApplication();
  const PortCase& c = GetParam();
  QComboBox box;
  box.setEditable(true);
  comm::PortTable table;
  for (const char* name : {"ttyS0", "COM1", "/dev/pts/7"}) {
    box.addItem(name);
    table.Add(name);
  }
  box.addItem("ttyUSB9");  // an entry without a table entry behind it
  box.setCurrentIndex(c.selected);
  if (c.typed != nullptr) box.setEditText(c.typed);
  EXPECT_EQ(app::ResolvePortPath(box, table), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PortPathTest,
    ::testing::Values(PortCase{"bare_name_gets_the_device_prefix", 0, nullptr, "/dev/ttyS0"},
                      PortCase{"short_bare_name_gets_it_too", 1, nullptr, "/dev/COM1"},
                      PortCase{"path_entry_unchanged", 2, nullptr, "/dev/pts/7"},
                      PortCase{"typed_path_over_a_selection", 0, "/tmp/link", "/tmp/link"},
                      PortCase{"typed_path_without_a_selection", -1, "/dev/pts/9", "/dev/pts/9"},
                      PortCase{"empty_field_without_a_selection", -1, nullptr, std::nullopt},
                      PortCase{"field_emptied_over_a_selection", 0, "", std::nullopt},
                      PortCase{"entry_without_a_table_entry", 3, nullptr, std::nullopt},
                      // An entry's text counts as that entry, whichever is selected.
                      PortCase{"typed_text_of_another_entry", 0, "COM1", "/dev/COM1"},
                      PortCase{"typed_text_of_an_entry_without_selection", -1, "ttyS0",
                               "/dev/ttyS0"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace app_test
