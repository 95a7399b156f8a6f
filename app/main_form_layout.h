#pragma once
// The main window's controls at their design places (client coordinates, 96 dpi).
#include <array>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string_view>

#include "app/build_config.h"
#include "app/main_form_controls.h"
#include "platform/desktop.h"

namespace zelmora {

// The application's title: its task-bar entry and the caption of every error report.
inline constexpr const char* kApplicationTitle = "Zelmora任务提醒器";
inline constexpr std::string_view kMainWindowCaption = "Zelmora任务提醒器" ZELMORA_VERSION;
inline constexpr platform::Size kMainWindowClientSize{378, 265};

using platform::ControlKind;

// The "QQ:" link's caption ends in the support number, which is filled in at start.
inline constexpr std::array<platform::ControlSpec, 21> kMainWindowControls{{
    {"grp3", ControlKind::GroupBox, {8, 8, 105, 49}, "工号"},
    {"edt1", ControlKind::Edit, {16, 26, 89, 21}, "ZM-"},
    {"grp2", ControlKind::GroupBox, {120, 8, 73, 49}, "更新频率"},
    {"edt2", ControlKind::Edit, {128, 27, 41, 21}, "60"},
    {"lbl3", ControlKind::Label, {169, 30, 12, 13}, "秒"},
    {"grp5", ControlKind::GroupBox, {200, 8, 73, 49}, "关闭提示"},
    {"edt3", ControlKind::Edit, {208, 27, 41, 21}, "30"},
    {"lbl6", ControlKind::Label, {250, 30, 12, 13}, "秒"},
    {"grp4", ControlKind::GroupBox, {280, 8, 89, 169}, "选项"},
    {"chktype1", ControlKind::CheckBox, {296, 32, 65, 17}, "全自动", true},
    {"chktype2", ControlKind::CheckBox, {296, 56, 65, 17}, "半自动", true},
    {"chkip1", ControlKind::CheckBox, {296, 104, 65, 17}, "换IP", true},
    {"chkip2", ControlKind::CheckBox, {296, 128, 65, 17}, "不换IP", true},
    {"grp1", ControlKind::GroupBox, {8, 64, 265, 113}, "公告信息"},
    {"lbl1", ControlKind::WrappedLabel, {24, 88, 233, 81}, ""},
    {"lbl2", ControlKind::Label, {23, 215, 48, 13}, "更新时间"},
    {"btn1", ControlKind::Button, {104, 208, 75, 25}, "开始"},
    {"btn2", ControlKind::Button, {192, 208, 75, 25}, "停止"},
    {"btn3", ControlKind::Button, {280, 208, 75, 25}, "查看提示"},
    {"lbl4", ControlKind::Link, {184, 244, 84, 13}, "Zelmora投票平台"},
    {"lbl5", ControlKind::Link, {280, 244, 79, 13}, "QQ:"},
}};

// The row of the control named `name`; a name the table lacks does not compile.
consteval std::size_t ControlRow(std::string_view name) {
  for (std::size_t row = 0; row < kMainWindowControls.size(); ++row) {
    if (kMainWindowControls[row].name == name) return row;
  }
  throw std::invalid_argument("no control of that name in the layout table");
}

inline constexpr std::array<std::size_t, 10> kMainWindowTabOrder{
    ControlRow("chktype1"), ControlRow("chktype2"), ControlRow("chkip1"), ControlRow("chkip2"),
    ControlRow("btn1"),     ControlRow("btn2"),     ControlRow("btn3"),   ControlRow("edt1"),
    ControlRow("edt2"),     ControlRow("edt3")};

// The link whose caption ends in the support number.
inline constexpr std::size_t kSupportLinkRow = ControlRow("lbl5");

// The controls the program works with, out of all of them made row by row.
template <typename ControlType>
MainFormControlsOf<ControlType> PickControls(std::span<ControlType* const, kMainWindowControls.size()> made) {
  auto at = [made](std::size_t row) -> ControlType& { return *made[row]; };
  return {
      .edt1 = at(ControlRow("edt1")),
      .edt2 = at(ControlRow("edt2")),
      .edt3 = at(ControlRow("edt3")),
      .chktype1 = at(ControlRow("chktype1")),
      .chktype2 = at(ControlRow("chktype2")),
      .chkip1 = at(ControlRow("chkip1")),
      .chkip2 = at(ControlRow("chkip2")),
      .lbl1 = at(ControlRow("lbl1")),
      .lbl2 = at(ControlRow("lbl2")),
      .btn1 = at(ControlRow("btn1")),
      .btn2 = at(ControlRow("btn2")),
      .btn3 = at(ControlRow("btn3")),
      .lbl4 = at(ControlRow("lbl4")),
      .lbl5 = at(ControlRow("lbl5")),
  };
}

}  // namespace zelmora
