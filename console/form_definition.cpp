// The main window's form definition: every component with its parent, captions, items, defaults,
// initial states and event links, in creation order (a parent before its children). Texts are the
// window's own, trailing blanks included; the geometry is this program's.
#include <algorithm>
#include <span>
#include <vector>

#include "console/images.h"
#include "console/main_form.h"
#include "platform/components/form_table.h"
#include "platform/components/graphics.h"
#include "platform/gdi/bmp_file.h"

namespace console {
namespace {

using pc::ComponentDef;

// The alarm-link choices: the item index is a bit set (1 high temperature, 2 low temperature, 4 high
// humidity, 8 low humidity).
#define THC_ALARM_LINKS                                                                                       \
  "无", "高温", "低温", "高温+低温", "高湿", "高湿+高温", "低温+高湿", "高温+低温+高湿", "低湿", "高温+低湿", \
      "低温+低湿", "高温+低温+低湿", "高湿+低湿", "高湿+低湿+高温", "高湿+低湿+低温", "高湿+低湿+高温+低温"

const ComponentDef kForm[] = {
    {"form1", "", "",
     {{"Caption", kWindowTitle}, {"BorderStyle", "bsSingle"}, {"Color", "16777215"}, {"Width", "926"},
      {"Height", "628"}, {"Position", "poScreenCenter"}},
     {},
     {{"OnCreate", "FormCreate"}}},

    // ---- left column: navigation and the port group ----
    {"Panel1", "TPanel", "", {{"Left", "0"}, {"Top", "0"}, {"Width", "150"}, {"Height", "578"}, {"Color", "16777215"}}},
    {"Image2", "TImage", "Panel1", {{"Left", "8"}, {"Top", "40"}, {"Width", "32"}, {"Height", "32"}}, {}, {{"OnClick", "Image2Click"}}},
    {"Label8", "TLabel", "Panel1", {{"Caption", "记录文件  "}, {"Left", "46"}, {"Top", "50"}}, {}, {{"OnClick", "Label8Click"}}},
    {"BitBtn9", "TBitBtn", "Panel1", {{"Caption", "参数设置"}, {"Left", "10"}, {"Top", "84"}, {"Width", "130"}, {"Height", "36"}}, {}, {{"OnClick", "BitBtn9Click"}}},
    {"BitBtn11", "TBitBtn", "Panel1", {{"Caption", "历史记录"}, {"Left", "10"}, {"Top", "126"}, {"Width", "130"}, {"Height", "36"}}, {}, {{"OnClick", "BitBtn11Click"}}},
    {"BitBtn10", "TBitBtn", "Panel1", {{"Caption", "告警记录"}, {"Left", "10"}, {"Top", "168"}, {"Width", "130"}, {"Height", "36"}}, {}, {{"OnClick", "BitBtn10Click"}}},
    {"ToolBar1", "TToolBar", "Panel1", {{"Left", "0"}, {"Top", "0"}, {"Width", "130"}, {"Height", "36"}, {"ShowCaptions", "True"}}},
    {"ToolButton1", "TToolButton", "ToolBar1", {{"Caption", " 连接 "}, {"ImageIndex", "0"}, {"Style", "tbsDropDown"}}, {}, {{"OnClick", "ToolButton1Click"}}},
    {"BitBtn22", "TBitBtn", "Panel1", {{"Caption", "TF卡导出"}, {"Left", "10"}, {"Top", "210"}, {"Width", "130"}, {"Height", "36"}}, {}, {{"OnClick", "BitBtn22Click"}}},
    {"GroupBox3", "TGroupBox", "Panel1", {{"Caption", "串口参数 "}, {"Left", "4"}, {"Top", "268"}, {"Width", "142"}, {"Height", "240"}, {"Visible", "False"}}},
    {"ComboBox6", "TComboBox", "GroupBox3", {{"Left", "8"}, {"Top", "20"}, {"Width", "126"}, {"Style", "csDropDown"}, {"Text", "COM1"}},
     {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"}},
    {"ComboBox7", "TComboBox", "GroupBox3", {{"Left", "8"}, {"Top", "50"}, {"Width", "126"}, {"Style", "csDropDown"}, {"ItemIndex", "3"}},
     {"9600", "19200", "115200", "1000000"}},
    {"ComboBox8", "TComboBox", "GroupBox3", {{"Left", "8"}, {"Top", "80"}, {"Width", "126"}, {"Style", "csDropDownList"}, {"ItemIndex", "0"}, {"Visible", "False"}},
     {"N 8 1", "E 8 1", "O 8 1"}},
    {"BitBtn2", "TBitBtn", "GroupBox3", {{"Caption", "连接"}, {"Left", "8"}, {"Top", "110"}, {"Width", "60"}, {"Height", "26"}}, {}, {{"OnClick", "BitBtn2Click"}}},
    {"BitBtn3", "TBitBtn", "GroupBox3", {{"Caption", "断开"}, {"Left", "74"}, {"Top", "110"}, {"Width", "60"}, {"Height", "26"}}, {}, {{"OnClick", "BitBtn3Click"}}},
    {"BitBtn37", "TBitBtn", "GroupBox3", {{"Caption", "查ID"}, {"Left", "8"}, {"Top", "142"}, {"Width", "60"}, {"Height", "26"}}, {}, {{"OnClick", "BitBtn37Click"}}},
    {"LabeledEdit14", "TLabeledEdit", "GroupBox3", {{"Left", "8"}, {"Top", "196"}, {"Width", "126"}, {"Height", "21"}, {"Text", "1"}}},

    // ---- right column: help and quick settings ----
    {"Panel3", "TPanel", "", {{"Left", "770"}, {"Top", "0"}, {"Width", "150"}, {"Height", "578"}, {"Color", "16777215"}}},
    {"Image1", "TImage", "Panel3", {{"Left", "8"}, {"Top", "8"}, {"Width", "32"}, {"Height", "32"}}, {}, {{"OnClick", "Image1Click"}}},
    {"lbl1", "TLabel", "Panel3", {{"Caption", "帮助 "}, {"Left", "46"}, {"Top", "18"}}, {}, {{"OnClick", "lbl1Click"}}},
    {"GroupBox14", "TGroupBox", "Panel3", {{"Caption", "快捷设置"}, {"Left", "4"}, {"Top", "56"}, {"Width", "142"}, {"Height", "196"}}},
    {"BitBtn41", "TBitBtn", "GroupBox14", {{"Caption", "开记录"}, {"Left", "10"}, {"Top", "20"}, {"Width", "122"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn41Click"}}},
    {"BitBtn42", "TBitBtn", "GroupBox14", {{"Caption", "关记录"}, {"Left", "10"}, {"Top", "54"}, {"Width", "122"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn42Click"}}},
    {"BitBtn43", "TBitBtn", "GroupBox14", {{"Caption", "开报警"}, {"Left", "10"}, {"Top", "88"}, {"Width", "122"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn43Click"}}},
    {"BitBtn44", "TBitBtn", "GroupBox14", {{"Caption", "关报警"}, {"Left", "10"}, {"Top", "122"}, {"Width", "122"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn44Click"}}},
    {"BitBtn33", "TBitBtn", "GroupBox14", {{"Caption", "清记录"}, {"Left", "10"}, {"Top", "156"}, {"Width", "122"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn33Click"}}},
    {"GroupBox7", "TGroupBox", "Panel3", {{"Caption", "节能设置"}, {"Left", "4"}, {"Top", "260"}, {"Width", "142"}, {"Height", "128"}}},
    {"BitBtn12", "TBitBtn", "GroupBox7", {{"Caption", "休眠模式"}, {"Left", "10"}, {"Top", "20"}, {"Width", "122"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn12Click"}}},
    {"BitBtn23", "TBitBtn", "GroupBox7", {{"Caption", "实时显示"}, {"Left", "10"}, {"Top", "54"}, {"Width", "122"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn23Click"}}},
    {"BitBtn49", "TBitBtn", "GroupBox7", {{"Caption", "高级"}, {"Left", "10"}, {"Top", "88"}, {"Width", "122"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn49Click"}}},

    // ---- parameter panel ----
    {"Panel2", "TPanel", "", {{"Left", "150"}, {"Top", "0"}, {"Width", "620"}, {"Height", "578"}, {"Visible", "False"}}},
    {"GroupBox1", "TGroupBox", "Panel2", {{"Caption", "测量"}, {"Left", "8"}, {"Top", "4"}, {"Width", "604"}, {"Height", "100"}}},
    {"LabeledEdit1", "TLabeledEdit", "GroupBox1", {{"EditLabel.Caption", " 温度  "}, {"Left", "10"}, {"Top", "36"}, {"Width", "80"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"Label18", "TLabel", "GroupBox1", {{"Caption", "℃"}, {"Left", "94"}, {"Top", "40"}}},
    {"LabeledEdit2", "TLabeledEdit", "GroupBox1", {{"EditLabel.Caption", "湿度   "}, {"Left", "130"}, {"Top", "36"}, {"Width", "80"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"Label19", "TLabel", "GroupBox1", {{"Caption", "rh%"}, {"Left", "214"}, {"Top", "40"}}},
    {"LabeledEdit3", "TLabeledEdit", "GroupBox1", {{"EditLabel.Caption", "露点  "}, {"Left", "250"}, {"Top", "36"}, {"Width", "80"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"Label20", "TLabel", "GroupBox1", {{"Caption", "℃"}, {"Left", "334"}, {"Top", "40"}}},
    {"LabeledEdit4", "TLabeledEdit", "GroupBox1", {{"EditLabel.Caption", "DO1"}, {"Left", "10"}, {"Top", "76"}, {"Width", "60"}, {"Height", "21"}, {"ReadOnly", "True"}, {"Visible", "False"}}},
    {"LabeledEdit5", "TLabeledEdit", "GroupBox1", {{"EditLabel.Caption", "DO2"}, {"Left", "90"}, {"Top", "76"}, {"Width", "60"}, {"Height", "21"}, {"ReadOnly", "True"}, {"Visible", "False"}}},
    {"LabeledEdit6", "TLabeledEdit", "GroupBox1", {{"EditLabel.Caption", "告警状态   "}, {"Left", "370"}, {"Top", "36"}, {"Width", "110"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"BitBtn1", "TBitBtn", "GroupBox1", {{"Caption", "读取"}, {"Left", "500"}, {"Top", "32"}, {"Width", "90"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn1Click"}}},

    {"GroupBox4", "TGroupBox", "Panel2", {{"Caption", "时间"}, {"Left", "8"}, {"Top", "108"}, {"Width", "604"}, {"Height", "100"}}},
    {"Edit1", "TEdit", "GroupBox4", {{"Left", "10"}, {"Top", "24"}, {"Width", "44"}, {"Height", "21"}, {"MaxLength", "4"}, {"Text", "2014"}}},
    {"Label21", "TLabel", "GroupBox4", {{"Caption", "年"}, {"Left", "56"}, {"Top", "28"}}},
    {"Edit2", "TEdit", "GroupBox4", {{"Left", "76"}, {"Top", "24"}, {"Width", "30"}, {"Height", "21"}, {"MaxLength", "2"}, {"Text", "04"}}},
    {"Label22", "TLabel", "GroupBox4", {{"Caption", "月"}, {"Left", "108"}, {"Top", "28"}}},
    {"Edit3", "TEdit", "GroupBox4", {{"Left", "128"}, {"Top", "24"}, {"Width", "30"}, {"Height", "21"}, {"MaxLength", "2"}, {"Text", "08"}}},
    {"Label23", "TLabel", "GroupBox4", {{"Caption", "日"}, {"Left", "160"}, {"Top", "28"}}},
    {"Edit4", "TEdit", "GroupBox4", {{"Left", "180"}, {"Top", "24"}, {"Width", "30"}, {"Height", "21"}, {"MaxLength", "2"}, {"Text", "12"}}},
    {"Label24", "TLabel", "GroupBox4", {{"Caption", "时"}, {"Left", "212"}, {"Top", "28"}}},
    {"Edit5", "TEdit", "GroupBox4", {{"Left", "232"}, {"Top", "24"}, {"Width", "30"}, {"Height", "21"}, {"MaxLength", "2"}, {"Text", "12"}}},
    {"Label25", "TLabel", "GroupBox4", {{"Caption", "分"}, {"Left", "264"}, {"Top", "28"}}},
    {"Edit6", "TEdit", "GroupBox4", {{"Left", "284"}, {"Top", "24"}, {"Width", "30"}, {"Height", "21"}, {"MaxLength", "2"}, {"Text", "12"}}},
    {"Label26", "TLabel", "GroupBox4", {{"Caption", "秒"}, {"Left", "316"}, {"Top", "28"}}},
    {"BitBtn6", "TBitBtn", "GroupBox4", {{"Caption", "读取时间"}, {"Left", "10"}, {"Top", "58"}, {"Width", "110"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn6Click"}}},
    {"BitBtn7", "TBitBtn", "GroupBox4", {{"Caption", "读取开始记录时间"}, {"Left", "126"}, {"Top", "58"}, {"Width", "140"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn7Click"}}},
    {"BitBtn8", "TBitBtn", "GroupBox4", {{"Caption", "校准时间"}, {"Left", "272"}, {"Top", "58"}, {"Width", "110"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn8Click"}}},
    {"BitBtn45", "TBitBtn", "GroupBox4", {{"Caption", "设置开始记录时间"}, {"Left", "388"}, {"Top", "58"}, {"Width", "140"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn45Click"}}},

    {"GroupBox2", "TGroupBox", "Panel2", {{"Caption", "参数设置"}, {"Left", "8"}, {"Top", "212"}, {"Width", "604"}, {"Height", "360"}}},
    {"LabeledEdit7", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "ID 号 "}, {"Left", "10"}, {"Top", "36"}, {"Width", "120"}, {"Height", "21"}, {"Text", "1"}}},
    {"Label9", "TLabel", "GroupBox2", {{"Caption", "波特率 "}, {"Left", "210"}, {"Top", "20"}}},
    {"ComboBox1", "TComboBox", "GroupBox2", {{"Left", "210"}, {"Top", "36"}, {"Width", "120"}, {"Style", "csDropDown"}, {"Text", "19200"}},
     {"9600", "19200", "115200", "1000000"}},
    {"ComboBox2", "TComboBox", "GroupBox2", {{"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Style", "csDropDownList"}, {"ItemIndex", "0"}, {"Visible", "False"}},
     {"N 8 1", "E 8 1", "O 8 1"}},
    {"Label10", "TLabel", "GroupBox2", {{"Caption", "温度显示单位 "}, {"Left", "410"}, {"Top", "20"}}},
    {"ComboBox3", "TComboBox", "GroupBox2", {{"Left", "410"}, {"Top", "36"}, {"Width", "120"}, {"Style", "csDropDownList"}, {"ItemIndex", "0"}},
     {"摄氏", "华氏"}},
    {"LabeledEdit8", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "高温告警值     "}, {"Left", "10"}, {"Top", "86"}, {"Width", "120"}, {"Height", "21"}, {"Text", "35"}}},
    {"LabeledEdit9", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "低温告警值   "}, {"Left", "210"}, {"Top", "86"}, {"Width", "120"}, {"Height", "21"}, {"Text", "0"}}},
    {"LabeledEdit10", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "高湿告警值   "}, {"Left", "410"}, {"Top", "86"}, {"Width", "120"}, {"Height", "21"}, {"Text", "80"}}},
    {"LabeledEdit11", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "低湿告警值    "}, {"Left", "10"}, {"Top", "136"}, {"Width", "120"}, {"Height", "21"}, {"Text", "10"}}},
    {"LabeledEdit19", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "温度告警缓冲值    "}, {"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Height", "21"}, {"Text", "0.1"}, {"Visible", "False"}}},
    {"LabeledEdit20", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "湿度告警缓冲值     "}, {"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Height", "21"}, {"Text", "1"}, {"Visible", "False"}}},
    {"ComboBox11", "TComboBox", "GroupBox2", {{"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Style", "csDropDownList"}, {"ItemIndex", "1"}, {"Visible", "False"}}, {"告警", "控制"}},
    {"ComboBox12", "TComboBox", "GroupBox2", {{"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Style", "csDropDownList"}, {"ItemIndex", "0"}, {"Visible", "False"}}, {"告警", "控制"}},
    {"ComboBox4", "TComboBox", "GroupBox2", {{"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Style", "csDropDownList"}, {"ItemIndex", "12"}, {"Visible", "False"}}, {THC_ALARM_LINKS}},
    {"Label11", "TLabel", "GroupBox2", {{"Caption", "告警关联 "}, {"Left", "210"}, {"Top", "120"}}},
    {"ComboBox5", "TComboBox", "GroupBox2", {{"Left", "210"}, {"Top", "136"}, {"Width", "160"}, {"Style", "csDropDownList"}, {"ItemIndex", "15"}}, {THC_ALARM_LINKS}},
    {"ComboBox9", "TComboBox", "GroupBox2", {{"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Style", "csDropDownList"}, {"ItemIndex", "0"}, {"Visible", "False"}}, {"开", "合"}},
    {"ComboBox10", "TComboBox", "GroupBox2", {{"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Style", "csDropDownList"}, {"ItemIndex", "0"}, {"Visible", "False"}}, {"开", "合"}},
    {"LabeledEdit21", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "用户密码  "}, {"Left", "410"}, {"Top", "136"}, {"Width", "120"}, {"Height", "21"}, {"Text", "0"}}},
    {"LabeledEdit22", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "记录间隔   "}, {"Left", "10"}, {"Top", "186"}, {"Width", "120"}, {"Height", "21"}, {"Text", "60"}}},
    {"Label7", "TLabel", "GroupBox2", {{"Caption", "分钟   "}, {"Left", "134"}, {"Top", "190"}}},
    {"LabeledEdit23", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "zigbee PID"}, {"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Height", "21"}, {"Text", "1234"}, {"Visible", "False"}}},
    {"LabeledEdit24", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "zigbee信道  "}, {"Left", "450"}, {"Top", "300"}, {"Width", "60"}, {"Height", "21"}, {"Text", "20"}, {"Visible", "False"}}},
    {"LabeledEdit27", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "温度校准    "}, {"Left", "210"}, {"Top", "186"}, {"Width", "120"}, {"Height", "21"}, {"Text", "0"}, {"PasswordChar", "*"}}, {}, {{"OnDblClick", "LabeledEdit27DblClick"}}},
    {"LabeledEdit28", "TLabeledEdit", "GroupBox2", {{"EditLabel.Caption", "湿度校准   "}, {"Left", "410"}, {"Top", "186"}, {"Width", "120"}, {"Height", "21"}, {"Text", "0"}, {"PasswordChar", "*"}}, {}, {{"OnDblClick", "LabeledEdit28DblClick"}}},
    {"Label5", "TLabel", "GroupBox2", {{"Caption", "记录状态   "}, {"Left", "10"}, {"Top", "220"}}},
    {"ComboBox17", "TComboBox", "GroupBox2", {{"Left", "10"}, {"Top", "236"}, {"Width", "120"}, {"Style", "csDropDownList"}, {"ItemIndex", "1"}}, {"关", "开"}},
    {"Label6", "TLabel", "GroupBox2", {{"Caption", "告警输出 "}, {"Left", "210"}, {"Top", "220"}}},
    {"ComboBox18", "TComboBox", "GroupBox2", {{"Left", "210"}, {"Top", "236"}, {"Width", "120"}, {"Style", "csDropDown"}, {"Text", "关"}},
     {"关", "声报警", "光报警", "声光报警", "短声报警", "短光报警", "短声光报警"}},
    {"BitBtn4", "TBitBtn", "GroupBox2", {{"Caption", "读取参数"}, {"Left", "10"}, {"Top", "296"}, {"Width", "110"}, {"Height", "30"}}, {}, {{"OnClick", "BitBtn4Click"}}},
    {"BitBtn5", "TBitBtn", "GroupBox2", {{"Caption", "保存参数"}, {"Left", "130"}, {"Top", "296"}, {"Width", "110"}, {"Height", "30"}}, {}, {{"OnClick", "BitBtn5Click"}}},

    // ---- alarm panel ----
    {"Panel4", "TPanel", "", {{"Left", "150"}, {"Top", "0"}, {"Width", "620"}, {"Height", "578"}, {"Visible", "False"}}},
    {"GroupBox5", "TGroupBox", "Panel4", {{"Caption", "告警记录状态"}, {"Left", "8"}, {"Top", "4"}, {"Width", "604"}, {"Height", "84"}}},
    {"LabeledEdit12", "TLabeledEdit", "GroupBox5", {{"EditLabel.Caption", "总条数   "}, {"Left", "10"}, {"Top", "40"}, {"Width", "100"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"LabeledEdit13", "TLabeledEdit", "GroupBox5", {{"EditLabel.Caption", "未读条数   "}, {"Left", "130"}, {"Top", "40"}, {"Width", "100"}, {"Height", "21"}, {"MaxLength", "4"}}},
    {"BitBtn13", "TBitBtn", "GroupBox5", {{"Caption", "查询"}, {"Left", "260"}, {"Top", "36"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn13Click"}}},
    {"BitBtn14", "TBitBtn", "GroupBox5", {{"Caption", "重设未读"}, {"Left", "350"}, {"Top", "36"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn14Click"}}},
    {"GroupBox6", "TGroupBox", "Panel4", {{"Caption", "告警记录数据"}, {"Left", "8"}, {"Top", "94"}, {"Width", "604"}, {"Height", "478"}}},
    {"ListBox1", "TListBox", "GroupBox6", {{"Left", "10"}, {"Top", "20"}, {"Width", "584"}, {"Height", "410"}}},
    {"BitBtn15", "TBitBtn", "GroupBox6", {{"Caption", "读取"}, {"Left", "10"}, {"Top", "440"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn15Click"}}},
    {"BitBtn16", "TBitBtn", "GroupBox6", {{"Caption", "清除显示"}, {"Left", "100"}, {"Top", "440"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn16Click"}}},
    {"CheckBox5", "TCheckBox", "GroupBox6", {{"Caption", "连续读取"}, {"Left", "200"}, {"Top", "444"}, {"Width", "90"}, {"Height", "20"}, {"Enabled", "False"}}, {}, {{"OnClick", "CheckBox5Click"}}},
    {"CheckBox11", "TCheckBox", "GroupBox6", {{"Caption", "保存excel"}, {"Left", "300"}, {"Top", "444"}, {"Width", "90"}, {"Height", "20"}}},

    // ---- history panel (shown at start-up) ----
    {"Panel5", "TPanel", "", {{"Left", "150"}, {"Top", "0"}, {"Width", "620"}, {"Height", "578"}}},
    {"PageControl1", "TPageControl", "Panel5", {{"Left", "8"}, {"Top", "4"}, {"Width", "604"}, {"Height", "140"}}, {}, {{"OnChange", "PageControl1Change"}}},
    {"ts1", "TTabSheet", "PageControl1", {{"Caption", "总记录读取   "}}},
    {"BitBtn17", "TBitBtn", "ts1", {{"Caption", "查询"}, {"Left", "10"}, {"Top", "30"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn17Click"}}},
    {"LabeledEdit16", "TLabeledEdit", "ts1", {{"EditLabel.Caption", "未读条数  "}, {"Left", "110"}, {"Top", "34"}, {"Width", "100"}, {"Height", "21"}, {"MaxLength", "6"}}},
    {"LabeledEdit15", "TLabeledEdit", "ts1", {{"EditLabel.Caption", "总记录条数    "}, {"Left", "230"}, {"Top", "34"}, {"Width", "100"}, {"Height", "21"}, {"MaxLength", "6"}, {"ReadOnly", "True"}}},
    {"BitBtn18", "TBitBtn", "ts1", {{"Caption", "重设未读"}, {"Left", "350"}, {"Top", "30"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn18Click"}}},
    {"ts2", "TTabSheet", "PageControl1", {{"Caption", "按时间段读取   "}}},
    {"Label27", "TLabel", "ts2", {{"Caption", "起始时间  "}, {"Left", "10"}, {"Top", "10"}}},
    {"DateTimePicker2", "TDateTimePicker", "ts2", {{"Left", "10"}, {"Top", "28"}, {"Width", "150"}, {"Height", "21"}}},
    {"Label28", "TLabel", "ts2", {{"Caption", "结束时间  "}, {"Left", "180"}, {"Top", "10"}}},
    {"DateTimePicker3", "TDateTimePicker", "ts2", {{"Left", "180"}, {"Top", "28"}, {"Width", "150"}, {"Height", "21"}}},
    {"BitBtn29", "TBitBtn", "ts2", {{"Caption", "查询"}, {"Left", "350"}, {"Top", "24"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn29Click"}}},
    {"LabeledEdit25", "TLabeledEdit", "ts2", {{"EditLabel.Caption", "记录条数     "}, {"Left", "10"}, {"Top", "78"}, {"Width", "100"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"LabeledEdit26", "TLabeledEdit", "ts2", {{"EditLabel.Caption", "当前读取序号    "}, {"Left", "180"}, {"Top", "78"}, {"Width", "100"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"ts3", "TTabSheet", "PageControl1", {{"Caption", "按日期读取   "}}},
    {"Label29", "TLabel", "ts3", {{"Caption", "查询日期  "}, {"Left", "10"}, {"Top", "10"}}},
    {"DateTimePicker1", "TDateTimePicker", "ts3", {{"Left", "10"}, {"Top", "28"}, {"Width", "150"}, {"Height", "21"}}},
    {"BitBtn21", "TBitBtn", "ts3", {{"Caption", "查询"}, {"Left", "180"}, {"Top", "24"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn21Click"}}},
    {"LabeledEdit17", "TLabeledEdit", "ts3", {{"EditLabel.Caption", "当日记录条数      "}, {"Left", "10"}, {"Top", "78"}, {"Width", "100"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"LabeledEdit18", "TLabeledEdit", "ts3", {{"EditLabel.Caption", "当前读取序号    "}, {"Left", "180"}, {"Top", "78"}, {"Width", "100"}, {"Height", "21"}, {"ReadOnly", "True"}}},
    {"GroupBox8", "TGroupBox", "Panel5", {{"Caption", "记录数据"}, {"Left", "8"}, {"Top", "150"}, {"Width", "604"}, {"Height", "422"}}},
    {"ListBox2", "TListBox", "GroupBox8", {{"Left", "10"}, {"Top", "20"}, {"Width", "584"}, {"Height", "350"}}},
    {"BitBtn19", "TBitBtn", "GroupBox8", {{"Caption", "读取"}, {"Left", "10"}, {"Top", "382"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn19Click"}}},
    {"BitBtn20", "TBitBtn", "GroupBox8", {{"Caption", "清除显示"}, {"Left", "100"}, {"Top", "382"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn20Click"}}},
    {"CheckBox3", "TCheckBox", "GroupBox8", {{"Caption", "连续读取"}, {"Left", "196"}, {"Top", "386"}, {"Width", "90"}, {"Height", "20"}, {"Enabled", "False"}}, {}, {{"OnClick", "CheckBox3Click"}}},
    {"CheckBox6", "TCheckBox", "GroupBox8", {{"Caption", "保存excel"}, {"Left", "290"}, {"Top", "386"}, {"Width", "90"}, {"Height", "20"}, {"Enabled", "False"}}, {}, {{"OnClick", "CheckBox6Click"}}},
    {"CheckBox10", "TCheckBox", "GroupBox8", {{"Caption", "快速读取"}, {"Left", "384"}, {"Top", "386"}, {"Width", "90"}, {"Height", "20"}, {"Enabled", "False"}}},
    {"CheckBox2", "TCheckBox", "GroupBox8", {{"Caption", "保存PDF"}, {"Left", "478"}, {"Top", "386"}, {"Width", "90"}, {"Height", "20"}, {"Enabled", "False"}}, {}, {{"OnClick", "CheckBox2Click"}}},
    // Referenced by the record commands but never shown.
    {"BitBtn34", "TBitBtn", "GroupBox8", {{"Left", "500"}, {"Top", "382"}, {"Width", "80"}, {"Height", "28"}, {"Visible", "False"}}},

    // ---- TF-card panel ----
    {"Panel7", "TPanel", "", {{"Left", "150"}, {"Top", "0"}, {"Width", "620"}, {"Height", "578"}, {"Visible", "False"}}},
    {"GroupBox9", "TGroupBox", "Panel7", {{"Caption", "数据信息"}, {"Left", "8"}, {"Top", "4"}, {"Width", "604"}, {"Height", "126"}}},
    {"Label30", "TLabel", "GroupBox9", {{"Caption", "起始时间  "}, {"Left", "10"}, {"Top", "20"}}},
    {"DateTimePicker4", "TDateTimePicker", "GroupBox9", {{"Left", "10"}, {"Top", "38"}, {"Width", "120"}, {"Height", "21"}}, {}, {{"OnChange", "DateTimePicker4Change"}}},
    {"Label31", "TLabel", "GroupBox9", {{"Caption", "结束时间  "}, {"Left", "140"}, {"Top", "20"}}},
    {"DateTimePicker5", "TDateTimePicker", "GroupBox9", {{"Left", "140"}, {"Top", "38"}, {"Width", "120"}, {"Height", "21"}}, {}, {{"OnChange", "DateTimePicker5Change"}}},
    {"Label32", "TLabel", "GroupBox9", {{"Caption", "设备"}, {"Left", "270"}, {"Top", "20"}}},
    {"ComboBox19", "TComboBox", "GroupBox9", {{"Left", "270"}, {"Top", "38"}, {"Width", "70"}, {"Style", "csDropDownList"}}, {}, {{"OnChange", "ComboBox19Change"}}},
    {"Edit7", "TEdit", "GroupBox9", {{"Left", "350"}, {"Top", "38"}, {"Width", "244"}, {"Height", "21"}, {"ReadOnly", "True"}, {"Enabled", "False"}}},
    {"BitBtn28", "TBitBtn", "GroupBox9", {{"Caption", "TF卡搜索"}, {"Left", "10"}, {"Top", "80"}, {"Width", "90"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn28Click"}}},
    {"BitBtn30", "TBitBtn", "GroupBox9", {{"Caption", "导出记录"}, {"Left", "110"}, {"Top", "80"}, {"Width", "90"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn30Click"}}},
    {"CheckBox4", "TCheckBox", "GroupBox9", {{"Caption", "导出excel"}, {"Left", "210"}, {"Top", "84"}, {"Width", "90"}, {"Height", "20"}, {"Enabled", "False"}}, {}, {{"OnClick", "CheckBox4Click"}}},
    {"CheckBox7", "TCheckBox", "GroupBox9", {{"Caption", "导出PDF"}, {"Left", "310"}, {"Top", "84"}, {"Width", "90"}, {"Height", "20"}, {"Enabled", "False"}}, {}, {{"OnClick", "CheckBox7Click"}}},
    {"BitBtn31", "TBitBtn", "GroupBox9", {{"Caption", "删除文件"}, {"Left", "410"}, {"Top", "80"}, {"Width", "90"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn31Click"}}},
    {"GroupBox10", "TGroupBox", "Panel7", {{"Caption", "记录数据"}, {"Left", "8"}, {"Top", "136"}, {"Width", "604"}, {"Height", "436"}}},
    {"ListBox3", "TListBox", "GroupBox10", {{"Left", "10"}, {"Top", "20"}, {"Width", "584"}, {"Height", "370"}}},
    {"BitBtn48", "TBitBtn", "GroupBox10", {{"Caption", "清除显示"}, {"Left", "10"}, {"Top", "398"}, {"Width", "80"}, {"Height", "28"}}, {}, {{"OnClick", "BitBtn48Click"}}},

    // ---- pushed-report panel (never shown) ----
    {"Panel8", "TPanel", "", {{"Left", "150"}, {"Top", "0"}, {"Width", "620"}, {"Height", "578"}, {"Visible", "False"}}},
    {"ListBox5", "TListBox", "Panel8", {{"Left", "8"}, {"Top", "8"}, {"Width", "300"}, {"Height", "560"}}},
    {"ListBox6", "TListBox", "Panel8", {{"Left", "312"}, {"Top", "8"}, {"Width", "300"}, {"Height", "560"}}},
    // Referenced by the TF-card navigation but never shown.
    {"Panel9", "TPanel", "", {{"Left", "150"}, {"Top", "0"}, {"Width", "620"}, {"Height", "578"}, {"Visible", "False"}}},

    {"StatusBar1", "TStatusBar", "", {{"Left", "0"}, {"Top", "578"}, {"Width", "920"}, {"Height", "22"}}},

    // ---- non-visual components ----
    {"Comm1", "TComm", "",
     {{"CommName", "COM5"}, {"BaudRate", "9600"}, {"ParityCheck", "False"}, {"Outx_CtsFlow", "False"}, {"Outx_DsrFlow", "False"},
      {"DtrControl", "DtrEnable"}, {"DsrSensitivity", "False"}, {"TxContinueOnXoff", "False"}, {"Outx_XonXoffFlow", "False"},
      {"Inx_XonXoffFlow", "False"}, {"ReplaceWhenParityError", "False"}, {"IgnoreNullChar", "False"}, {"RtsControl", "RtsDisable"},
      {"XonLimit", "10"}, {"XoffLimit", "100"}, {"ByteSize", "_8"}, {"Parity", "None"}, {"StopBits", "_1"}, {"XonChar", "17"},
      {"XoffChar", "19"}, {"ReplacedChar", "0"}, {"ReadIntervalTimeout", "100"}, {"ReadTotalTimeoutMultiplier", "0"},
      {"ReadTotalTimeoutConstant", "0"}, {"WriteTotalTimeoutMultiplier", "0"}, {"WriteTotalTimeoutConstant", "0"}}},
    {"Timer1", "TTimer", "", {{"Enabled", "False"}, {"Interval", "1000"}}, {}, {{"OnTimer", "Timer1Timer"}}},
    {"Timer2", "TTimer", "", {{"Enabled", "False"}, {"Interval", "1000"}}, {}, {{"OnTimer", "Timer2Timer"}}},
    {"Timer3", "TTimer", "", {{"Enabled", "True"}, {"Interval", "1000"}}, {}, {{"OnTimer", "Timer3Timer"}}},
    {"Timer4", "TTimer", "", {{"Enabled", "False"}}},
    {"Timer5", "TTimer", "", {{"Enabled", "False"}}},
    {"Timer6", "TTimer", "", {{"Enabled", "False"}, {"Interval", "1000"}}, {}, {{"OnTimer", "Timer6Timer"}}},
    {"XLS", "TXLSSpreadsheet5", "", {{"ComponentVersion", "5.0.1a"}, {"Version", "xvExcel97"}, {"DirectRead", "False"}, {"DirectWrite", "True"}}},
    {"SPDF", "TPDFDocument", "",
     {{"AutoLaunch", "False"}, {"Compression", "ctNone"}, {"DocumentInfo.Author", "Windows 9x/NT/2000/XP User"},
      {"DocumentInfo.Creator", "PDFwrite program"}, {"DocumentInfo.Keywords", "PDFwrite"}, {"DocumentInfo.Subject", "None"},
      {"DocumentInfo.Title", "No Title"}, {"PageLayout", "plSinglePage"}, {"PageMode", "pmUseNone"}, {"ProtectionEnabled", "False"},
      {"ProtectionOptions", "[]"}, {"JPEGQuality", "80"}, {"Resolution", "72"}, {"ViewerPreferences", "[]"}, {"AutoCreateURL", "True"},
      {"OnePass", "False"}, {"Version", "v13"}, {"EMFImageAsJpeg", "False"}, {"ProtectionKeyLength", "kl40"},
      {"EmulateStandardFont", "False"}, {"ReDrawEMFFile", "True"}}},
    {"SkinData1", "TSkinData", "",
     {{"Active", "True"}, {"DisableTag", "99"},
      {"SkinControls", "[xcMainMenu,xcPopupMenu,xcToolbar,xcControlbar,xcCombo,xcCheckBox,xcRadioButton,xcProgress,xcScrollbar,"
                       "xcEdit,xcButton,xcBitBtn,xcSpeedButton,xcSpin,xcPanel,xcGroupBox,xcStatusBar,xcTab,xcTrackBar,xcSystemMenu]"},
      {"Options", "[xoPreview,xoCaptionButtonHint]"}, {"SkinStore", "(Good)"}, {"SkinFormtype", "sfMainform"}, {"Version", "5.0.0.1"},
      {"MenuUpdate", "True"}, {"MenuMerge", "False"}},
     {},
     {},
     {{"SkinStream", ConsoleSkinStream()}}},
    {"ImageList1", "TImageList", ""},
    {"PopupMenu1", "TPopupMenu", ""},
    {"N1", "TMenuItem", "PopupMenu1", {{"Caption", "串口参数"}}, {}, {{"OnClick", "N1Click"}}},
};

#undef THC_ALARM_LINKS

// The status bar's panels: the even ones are fixed labels, the odd ones the console writes. Each is
// at least as wide as the longest text it shows; the last one takes the rest of the bar.
struct PanelDef {
  const char* text;
  int width;
  std::vector<const char*> shows;
};
const PanelDef kStatusPanels[] = {
    {"端口状态：", 60, {}},
    {"", 60, {"打开", "关闭", "检测中", "error", "设备接入", "设备移出", "TF卡插入"}},
    {"模式：", 40, {}},
    {"", 60, {"参数设置", "告警记录", "历史记录", "TF卡导出"}},
    {"通讯状态：", 60, {}},
    {"", 60, {"该版本不支持", "功能码错误", "无未读记录", "无记录数据", "正在检查...", "正在清除...", "正在设置...",
              "正在搜索", "设备247", "缺失记录999999条"}},
    {"统计：", 40, {}},
    {"", 50, {}},
};
// Room beside a panel's text: its borders and the text's margins.
constexpr int kPanelPadding = 10;

// The glyph of each glyph button, by what the button does (assets/images, drawn by tools/image-gen).
struct GlyphDef {
  const char* button;
  const char* image;
};
const GlyphDef kGlyphs[] = {
    {"BitBtn9", "settings"},   {"BitBtn11", "history"},  {"BitBtn10", "alarm"},      {"BitBtn22", "card"},
    {"BitBtn2", "connect"},    {"BitBtn3", "disconnect"}, {"BitBtn37", "search"},    {"BitBtn41", "record_on"},
    {"BitBtn42", "record_off"}, {"BitBtn43", "alarm"},    {"BitBtn44", "alarm_off"}, {"BitBtn33", "delete"},
    {"BitBtn12", "sleep"},     {"BitBtn23", "live"},     {"BitBtn49", "settings"},   {"BitBtn1", "read"},
    {"BitBtn6", "clock"},      {"BitBtn7", "clock"},     {"BitBtn8", "clock"},       {"BitBtn45", "clock"},
    {"BitBtn4", "read"},       {"BitBtn5", "save"},      {"BitBtn13", "search"},     {"BitBtn14", "reset"},
    {"BitBtn15", "read"},      {"BitBtn16", "clear"},    {"BitBtn17", "search"},     {"BitBtn18", "reset"},
    {"BitBtn19", "read"},      {"BitBtn20", "clear"},    {"BitBtn21", "search"},     {"BitBtn29", "search"},
    {"BitBtn28", "search"},    {"BitBtn30", "export"},   {"BitBtn31", "delete"},     {"BitBtn48", "clear"},
};

platform::gdi::Bitmap FormImage(const char* name) {
  const auto bytes = ImageAsset(name);
  if (bytes.empty()) throw pc::EComponentError(std::string("Form images: no image ") + name);
  return platform::gdi::read_bmp(bytes);
}

}  // namespace

void BuildMainForm(Tform1& f) {
  RegisterConsoleComponentClasses();
  auto bind = [&f](auto fn) { return [&f, fn](pc::TObject* s) { (f.*fn)(s); }; };
  const pc::HandlerTable handlers = {
      {"FormCreate", bind(&Tform1::FormCreate)},
      {"Image2Click", bind(&Tform1::OpenDataFolder)},
      {"Label8Click", bind(&Tform1::OpenDataFolder)},
      {"Image1Click", bind(&Tform1::Image1Click)},
      {"lbl1Click", bind(&Tform1::lbl1Click)},
      {"BitBtn9Click", bind(&Tform1::BitBtn9Click)},
      {"BitBtn10Click", bind(&Tform1::BitBtn10Click)},
      {"BitBtn11Click", bind(&Tform1::BitBtn11Click)},
      {"BitBtn22Click", bind(&Tform1::BitBtn22Click)},
      {"ToolButton1Click", bind(&Tform1::ToolButton1Click)},
      {"N1Click", bind(&Tform1::N1Click)},
      {"BitBtn2Click", bind(&Tform1::BitBtn2Click)},
      {"BitBtn3Click", bind(&Tform1::BitBtn3Click)},
      {"BitBtn37Click", bind(&Tform1::BitBtn37Click)},
      {"BitBtn1Click", bind(&Tform1::BitBtn1Click)},
      {"BitBtn4Click", bind(&Tform1::BitBtn4Click)},
      {"BitBtn5Click", bind(&Tform1::BitBtn5Click)},
      {"BitBtn6Click", bind(&Tform1::BitBtn6Click)},
      {"BitBtn7Click", bind(&Tform1::BitBtn7Click)},
      {"BitBtn8Click", bind(&Tform1::BitBtn8Click)},
      {"BitBtn45Click", bind(&Tform1::BitBtn45Click)},
      {"BitBtn41Click", bind(&Tform1::BitBtn41Click)},
      {"BitBtn42Click", bind(&Tform1::BitBtn42Click)},
      {"BitBtn43Click", bind(&Tform1::BitBtn43Click)},
      {"BitBtn44Click", bind(&Tform1::BitBtn44Click)},
      {"BitBtn33Click", bind(&Tform1::BitBtn33Click)},
      {"BitBtn12Click", bind(&Tform1::BitBtn12Click)},
      {"BitBtn23Click", bind(&Tform1::BitBtn23Click)},
      {"BitBtn49Click", bind(&Tform1::BitBtn49Click)},
      {"BitBtn13Click", bind(&Tform1::BitBtn13Click)},
      {"BitBtn14Click", bind(&Tform1::BitBtn14Click)},
      {"BitBtn15Click", bind(&Tform1::BitBtn15Click)},
      {"BitBtn16Click", bind(&Tform1::BitBtn16Click)},
      {"CheckBox5Click", bind(&Tform1::CheckBox5Click)},
      {"BitBtn17Click", bind(&Tform1::BitBtn17Click)},
      {"BitBtn18Click", bind(&Tform1::BitBtn18Click)},
      {"BitBtn21Click", bind(&Tform1::BitBtn21Click)},
      {"BitBtn29Click", bind(&Tform1::BitBtn29Click)},
      {"BitBtn19Click", bind(&Tform1::BitBtn19Click)},
      {"BitBtn20Click", bind(&Tform1::BitBtn20Click)},
      {"CheckBox3Click", bind(&Tform1::CheckBox3Click)},
      {"CheckBox6Click", bind(&Tform1::CheckBox6Click)},
      {"CheckBox2Click", bind(&Tform1::CheckBox2Click)},
      {"PageControl1Change", bind(&Tform1::PageControl1Change)},
      {"BitBtn28Click", bind(&Tform1::BitBtn28Click)},
      {"ComboBox19Change", bind(&Tform1::ComboBox19Change)},
      {"DateTimePicker4Change", bind(&Tform1::DateTimePicker4Change)},
      {"DateTimePicker5Change", bind(&Tform1::DateTimePicker5Change)},
      {"BitBtn30Click", bind(&Tform1::BitBtn30Click)},
      {"BitBtn31Click", bind(&Tform1::BitBtn31Click)},
      {"BitBtn48Click", bind(&Tform1::BitBtn48Click)},
      {"CheckBox4Click", bind(&Tform1::CheckBox4Click)},
      {"CheckBox7Click", bind(&Tform1::CheckBox7Click)},
      {"LabeledEdit27DblClick", bind(&Tform1::RevealCalibration)},
      {"LabeledEdit28DblClick", bind(&Tform1::RevealCalibration)},
      {"Timer1Timer", bind(&Tform1::Timer1Timer)},
      {"Timer2Timer", [](pc::TObject*) {}},  // runs during continuous reading and does nothing
      {"Timer3Timer", bind(&Tform1::Timer3Timer)},
      {"Timer6Timer", bind(&Tform1::Timer6Timer)},
  };
  pc::BuildForm(f, std::span<const ComponentDef>(kForm), handlers);

  auto find = [&f](auto*& slot, const char* name) {
    using T = std::remove_reference_t<decltype(*slot)>;
    slot = dynamic_cast<T*>(f.FindComponent(name));
    if (!slot) throw pc::EComponentError(std::string("Form table: ") + name + " missing or of another kind");
  };
#define THC_BIND(type, name) find(f.name, #name);
  THC_CONTROLS(THC_BIND)
#undef THC_BIND
  find(f.Comm1, "Comm1");
  find(f.SkinData1, "SkinData1");
  find(f.XLS, "XLS");
  find(f.SPDF, "SPDF");

  pc::TBitmap measure;
  measure.SetSize(1, 1);
  measure.Canvas().Font.Assign(f.StatusBar1->Font);
  for (const PanelDef& p : kStatusPanels) {
    int width = std::max(p.width, measure.Canvas().TextWidth(p.text) + kPanelPadding);
    for (const char* t : p.shows) width = std::max(width, measure.Canvas().TextWidth(t) + kPanelPadding);
    f.StatusBar1->AddPanel(width).SetText(p.text);
  }
  // Every date picker of the form stores 2014-04-08 17:11:27.828.
  for (pc::TDateTimePicker* d : std::initializer_list<pc::TDateTimePicker*>{f.DateTimePicker1, f.DateTimePicker2, f.DateTimePicker3, f.DateTimePicker4, f.DateTimePicker5}) {
    d->SetDateTime(core::LocalTime{2014, 4, 8, 17, 11, 27, 828, 2});
  }
  f.ToolButton1->DropdownMenu = f.PopupMenu1;
  // The tool button's image, its bottom-left colour transparent as the glyphs'.
  const platform::gdi::Bitmap connect_picture = FormImage("connect");
  pc::TBitmap connect;
  connect.Assign(connect_picture);
  f.ImageList1->Add(connect, platform::gdi::colorref_from_pixel(connect_picture.pixel(0, connect_picture.height() - 1)));
  f.ToolBar1->Images = f.ImageList1;
  for (auto [image, name] : {std::pair{f.Image1, "help"}, std::pair{f.Image2, "data"}}) {
    image->Picture.Assign(FormImage(name));
    image->Transparent = true;
  }
  for (const GlyphDef& g : kGlyphs) {
    auto* button = dynamic_cast<pc::TBitBtn*>(f.FindComponent(g.button));
    if (!button) throw pc::EComponentError(std::string("Form images: no glyph button ") + g.button);
    button->SetGlyph(FormImage(g.image));
  }
  f.OnClose = [&f](pc::TObject* s, pc::TCloseAction& a) { f.FormClose(s, a); };
  f.SetMessageHandler(platform::win::WM_DEVICECHANGE, [&f](pc::TMessage& m) { f.DeviceChange(m); });
}

}  // namespace console
