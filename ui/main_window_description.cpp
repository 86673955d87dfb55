#include "ui/main_window_description.h"

namespace dovrel::main_window {

namespace {
using namespace unit_flags;
constexpr unsigned kShownWithTabStop = kVisible | kTabStop;

// Version 1, then the text, HTML, URL and files switches, all off; the
// window switches files on at run time.
constexpr char kDropDesignData[] = "\x01\0\0\0"
                                   "\0\0\0\0"
                                   "\0\0\0\0"
                                   "\0\0\0\0"
                                   "\0\0\0\0";
constexpr std::string_view kDropDesign(kDropDesignData, sizeof kDropDesignData - 1);
}  // namespace

const std::array<UnitDescription, kUnitCount> kUnits = {{
    {UnitType::Window, "", 50, 50, 283, 64, kVisible, "Dovrel", {}},
    {UnitType::DropTarget, "拖放对象", 104, 8, 28, 28, 0, {}, kDropDesign},
    {UnitType::Button, "浏览按钮", 185, 5, 40, 24, kShownWithTabStop | kDropDown, "浏览", {}},
    {UnitType::Zip, "ZIP压缩", 80, 8, 28, 28, 0, {}, {}},
    {UnitType::Button, "提取按钮", 229, 5, 40, 24, kShownWithTabStop, "提取", {}},
    {UnitType::EditBox, "文件路径编辑框", 5, 5, 176, 24, kShownWithTabStop, {}, {}},
    {UnitType::CommonDialog, "通用对话框", 136, 8, 28, 28, 0, {}, {}},
}};

const WindowSettings kWindowSettings = {
    /*border*/ 2,
    /*controlBox*/ true,
    /*maximizeButton*/ false,
    /*minimizeButton*/ false,
    /*startPosition*/ 1,
    /*movable*/ true,
    /*alwaysOnTop*/ false,
};

const std::array<EventBinding, 5> kBindings = {{
    {kWindow, window_events::kCreated, kOnWindowCreated},
    {kWindow, window_events::kDestroying, kOnWindowDestroying},
    {kBrowseButton, button_events::kClicked, kOnBrowseClicked},
    {kExtractButton, button_events::kClicked, kOnExtractClicked},
    {kDropTarget, drop_target_events::kFilesDropped, kOnFilesDropped},
}};

// Every kind the job knows, then one entry per kind (Microsoft Office's,
// WPS Office's and OpenDocument's patterns), then every file.
const char kOfficeFilter[] =
    "Office文档（*.ppt,*.pptx,*.doc,*.docx,*.xls,*.xlsx）|"
    "*.ppt;*.pptx;*.doc;*.docx;*.xls;*.xlsx;*.pptm;*.ppsx;*.ppsm;*.potx;*.potm;"
    "*.docm;*.dotx;*.dotm;*.xlsm;*.xlsb;*.xltx;*.xltm;*.pps;*.pot;*.dot;*.xlt;"
    "*.dps;*.dpt;*.wps;*.wpt;*.et;*.ett;*.odp;*.otp;*.odt;*.ott;*.ods;*.ots;*.odg;*.otg|"
    "演示文稿（*.ppt,*.pptx,*.pptm,*.ppsx,*.ppsm,*.potx,*.potm,*.pps,*.pot,*.dps,*.dpt,*.odp,*.otp）|"
    "*.ppt;*.pptx;*.pptm;*.ppsx;*.ppsm;*.potx;*.potm;*.pps;*.pot;*.dps;*.dpt;*.odp;*.otp|"
    "文档（*.doc,*.docx,*.docm,*.dotx,*.dotm,*.dot,*.wps,*.wpt,*.odt,*.ott）|"
    "*.doc;*.docx;*.docm;*.dotx;*.dotm;*.dot;*.wps;*.wpt;*.odt;*.ott|"
    "工作簿（*.xls,*.xlsx,*.xlsm,*.xlsb,*.xltx,*.xltm,*.xlt,*.et,*.ett,*.ods,*.ots）|"
    "*.xls;*.xlsx;*.xlsm;*.xlsb;*.xltx;*.xltm;*.xlt;*.et;*.ett;*.ods;*.ots|"
    "所有文件（*.*）|*.*";

// The menu of 浏览's arrow (and of its context menu): the open-file dialog
// as its click shows it, or the folder dialog.
const char kBrowseFilesItem[] = "选择文件(&F)...";
const char kBrowseFolderItem[] = "选择文件夹(&D)...";

}  // namespace dovrel::main_window
