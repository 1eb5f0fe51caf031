#include "console/form_components.h"

#include <algorithm>
#include <mutex>

#include "core/byte_io.h"
#include "platform/components/comctrls.h"
#include "platform/components/form_table.h"
#include "skin/skin_data.h"

namespace console {

using platform::components::TComponent;

CommComponent::CommComponent(TComponent* owner)
    : TComponent(owner), comm_(std::make_unique<platform::components::TCommNotifyWindow>(), owner) {
  auto& c = comm_;
  PublishString("CommName", [&c] { return c.GetCommName(); }, [&c](std::string v) { c.SetCommName(v); });
  PublishInt("BaudRate", [&c] { return c.GetBaudRate(); }, [&c](std::int64_t v) { c.SetBaudRate(static_cast<std::uint32_t>(v)); });
  auto flag = [this](const char* name, bool (serial::TComm::*get)() const, void (serial::TComm::*set)(bool)) {
    PublishBool(name, [this, get] { return (comm_.*get)(); }, [this, set](bool v) { (comm_.*set)(v); });
  };
  flag("ParityCheck", &serial::TComm::GetParityCheck, &serial::TComm::SetParityCheck);
  flag("Outx_CtsFlow", &serial::TComm::GetOutx_CtsFlow, &serial::TComm::SetOutx_CtsFlow);
  flag("Outx_DsrFlow", &serial::TComm::GetOutx_DsrFlow, &serial::TComm::SetOutx_DsrFlow);
  PublishEnum("DtrControl", {"DtrEnable", "DtrDisable", "DtrHandshake"}, [&c] { return static_cast<int>(c.GetDtrControl()); },
              [&c](int v) { c.SetDtrControl(static_cast<serial::TDtrControl>(v)); });
  flag("DsrSensitivity", &serial::TComm::GetDsrSensitivity, &serial::TComm::SetDsrSensitivity);
  flag("TxContinueOnXoff", &serial::TComm::GetTxContinueOnXoff, &serial::TComm::SetTxContinueOnXoff);
  flag("Outx_XonXoffFlow", &serial::TComm::GetOutx_XonXoffFlow, &serial::TComm::SetOutx_XonXoffFlow);
  flag("Inx_XonXoffFlow", &serial::TComm::GetInx_XonXoffFlow, &serial::TComm::SetInx_XonXoffFlow);
  flag("ReplaceWhenParityError", &serial::TComm::GetReplaceWhenParityError, &serial::TComm::SetReplaceWhenParityError);
  flag("IgnoreNullChar", &serial::TComm::GetIgnoreNullChar, &serial::TComm::SetIgnoreNullChar);
  PublishEnum("RtsControl", {"RtsEnable", "RtsDisable", "RtsHandshake", "RtsTransmissionAvailable"},
              [&c] { return static_cast<int>(c.GetRtsControl()); },
              [&c](int v) { c.SetRtsControl(static_cast<serial::TRtsControl>(v)); });
  PublishInt("XonLimit", [&c] { return c.GetXonLimit(); }, [&c](std::int64_t v) { c.SetXonLimit(static_cast<std::uint16_t>(v)); });
  PublishInt("XoffLimit", [&c] { return c.GetXoffLimit(); }, [&c](std::int64_t v) { c.SetXoffLimit(static_cast<std::uint16_t>(v)); });
  PublishEnum("ByteSize", {"_5", "_6", "_7", "_8"}, [&c] { return static_cast<int>(c.GetByteSize()); },
              [&c](int v) { c.SetByteSize(static_cast<serial::TByteSize>(v)); });
  PublishEnum("Parity", {"None", "Odd", "Even", "Mark", "Space"}, [&c] { return static_cast<int>(c.GetParity()); },
              [&c](int v) { c.SetParity(static_cast<serial::TParity>(v)); });
  PublishEnum("StopBits", {"_1", "_1_5", "_2"}, [&c] { return static_cast<int>(c.GetStopBits()); },
              [&c](int v) { c.SetStopBits(static_cast<serial::TStopBits>(v)); });
  PublishInt("XonChar", [&c] { return static_cast<unsigned char>(c.GetXonChar()); }, [&c](std::int64_t v) { c.SetXonChar(static_cast<char>(v)); });
  PublishInt("XoffChar", [&c] { return static_cast<unsigned char>(c.GetXoffChar()); }, [&c](std::int64_t v) { c.SetXoffChar(static_cast<char>(v)); });
  PublishInt("ReplacedChar", [&c] { return static_cast<unsigned char>(c.GetReplacedChar()); },
             [&c](std::int64_t v) { c.SetReplacedChar(static_cast<char>(v)); });
  PublishInt("ReadIntervalTimeout", [&c] { return c.GetReadIntervalTimeout(); },
             [&c](std::int64_t v) { c.SetReadIntervalTimeout(static_cast<std::uint32_t>(v)); });
  PublishInt("ReadTotalTimeoutMultiplier", [&c] { return c.GetReadTotalTimeoutMultiplier(); },
             [&c](std::int64_t v) { c.SetReadTotalTimeoutMultiplier(static_cast<std::uint32_t>(v)); });
  PublishInt("ReadTotalTimeoutConstant", [&c] { return c.GetReadTotalTimeoutConstant(); },
             [&c](std::int64_t v) { c.SetReadTotalTimeoutConstant(static_cast<std::uint32_t>(v)); });
  PublishInt("WriteTotalTimeoutMultiplier", [&c] { return c.GetWriteTotalTimeoutMultiplier(); },
             [&c](std::int64_t v) { c.SetWriteTotalTimeoutMultiplier(static_cast<std::uint32_t>(v)); });
  PublishInt("WriteTotalTimeoutConstant", [&c] { return c.GetWriteTotalTimeoutConstant(); },
             [&c](std::int64_t v) { c.SetWriteTotalTimeoutConstant(static_cast<std::uint32_t>(v)); });
}

HeldSettingsComponent::HeldSettingsComponent(TComponent* owner, std::string class_name,
                                             std::vector<std::string> property_names)
    : TComponent(owner), class_name_(std::move(class_name)) {
  values_.reserve(property_names.size());
  for (auto& n : property_names) values_.emplace_back(n, std::string());
  for (std::size_t i = 0; i < values_.size(); ++i) {
    PublishString(values_[i].first, [this, i] { return values_[i].second; }, [this, i](std::string v) { values_[i].second = std::move(v); });
  }
}

std::string HeldSettingsComponent::Setting(std::string_view name) const {
  for (const auto& [n, v] : values_)
    if (n == name) return v;
  return {};
}

namespace {
// A labelled edit whose label caption the form table sets like any other property.
class FormLabeledEdit : public platform::components::TLabeledEdit {
public:
  explicit FormLabeledEdit(TComponent* owner) : TLabeledEdit(owner) {
    PublishString("EditLabel.Caption", [this] { return EditLabel().Caption(); }, [this](std::string v) { EditLabel().SetCaption(v); });
  }
};
}  // namespace

std::span<const std::uint8_t> ConsoleSkinStream() {
  static const std::vector<std::uint8_t> stream = [] {
    const std::span<const std::uint8_t> package = ConsoleSkinPackage();
    std::vector<std::uint8_t> s(4 + package.size());
    core::store_le32(s.data(), static_cast<std::uint32_t>(package.size()));
    std::copy(package.begin(), package.end(), s.begin() + 4);
    return s;
  }();
  return stream;
}

void RegisterConsoleComponentClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    using platform::components::RegisterComponentClass;
    RegisterComponentClass("TLabeledEdit", [](TComponent* o) { return new FormLabeledEdit(o); });
    RegisterComponentClass("TComm", [](TComponent* o) { return new CommComponent(o); });
    RegisterComponentClass("TSkinData", [](TComponent* o) { return new skin::TSkinData(o); });
    RegisterComponentClass("TXLSSpreadsheet5", [](TComponent* o) {
      return new HeldSettingsComponent(o, "TXLSSpreadsheet5", {"ComponentVersion", "Version", "DirectRead", "DirectWrite"});
    });
    RegisterComponentClass("TPDFDocument", [](TComponent* o) {
      return new HeldSettingsComponent(
          o, "TPDFDocument",
          {"AutoLaunch", "Compression", "DocumentInfo.Author", "DocumentInfo.Creator", "DocumentInfo.Keywords",
           "DocumentInfo.Subject", "DocumentInfo.Title", "PageLayout", "PageMode", "ProtectionEnabled",
           "ProtectionOptions", "JPEGQuality", "Resolution", "ViewerPreferences", "AutoCreateURL", "OnePass",
           "Version", "EMFImageAsJpeg", "ProtectionKeyLength", "EmulateStandardFont", "ReDrawEMFFile"});
    });
  });
}

}  // namespace console
