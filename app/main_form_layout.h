#pragma once
// The main window's controls at their design places (client coordinates, 96 dpi).
#include <array>
#include <string_view>

#include "app/build_config.h"
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

inline constexpr std::array<std::string_view, 10> kMainWindowTabOrder{
    "chktype1", "chktype2", "chkip1", "chkip2", "btn1", "btn2", "btn3", "edt1", "edt2", "edt3"};

}  // namespace zelmora
