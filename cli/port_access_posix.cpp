#include "cli/port_access.h"

#include <grp.h>
#include <unistd.h>

#include "cli/failure_text.h"

namespace cli {
namespace {

bool UserIsIn(const std::string& group_name) {
  const struct group* group = ::getgrnam(group_name.c_str());
  if (group == nullptr) return false;
  if (::getegid() == group->gr_gid) return true;
  gid_t groups[256];
  const int count = ::getgroups(256, groups);
  for (int i = 0; i < count; ++i) {
    if (groups[i] == group->gr_gid) return true;
  }
  return false;
}

}  // namespace

std::string NoneOpensReason(const std::string& first) {
  const std::string group = DeviceGroupName(first);
  if (group.empty()) return "";
  std::string text = " (" + first + " belongs to group " + group;
  if (group == "root") {
    text += ", which gives no user access: a udev rule can give it a group to join)";
  } else if (!UserIsIn(group)) {
    text += ", which this user is not in: sudo usermod -aG " + group + " $USER, then log in again)";
  } else {
    text += ", which this user is in: another program may hold it)";
  }
  return text;
}

}  // namespace cli
