// The non-visual components that the main window's form definition creates besides its controls:
// the serial component as a published component, and the components of other subsystems whose
// settings the form stores.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/components/classes.h"
#include "platform/components/comm_notify_window.h"
#include "serial/serial_port.h"

namespace console {

// `Comm1`: the serial component with its line settings published by name, so that the form table
// sets them the way a streamed form does.
class CommComponent : public platform::components::TComponent {
public:
  explicit CommComponent(platform::components::TComponent* owner);
  std::string ClassName() const override { return "TComm"; }
  serial::TComm& Comm() { return comm_; }

private:
  serial::TComm comm_;
};

// A component whose class belongs to another subsystem (the skin data, the spreadsheet, the PDF
// document): the form stores its settings, which are held here by name, in the form's order. The
// subsystem that owns the class reads them when it takes the component over.
class HeldSettingsComponent : public platform::components::TComponent {
public:
  HeldSettingsComponent(platform::components::TComponent* owner, std::string class_name,
                        std::vector<std::string> property_names);
  std::string ClassName() const override { return class_name_; }
  const std::vector<std::pair<std::string, std::string>>& Settings() const { return values_; }
  std::string Setting(std::string_view name) const;

private:
  std::string class_name_;
  std::vector<std::pair<std::string, std::string>> values_;
};

// Makes the kinds above and the skin data component known to the form tables ("TComm", "TSkinData",
// "TXLSSpreadsheet5", "TPDFDocument"). Idempotent.
void RegisterConsoleComponentClasses();

// The project's skin package (assets/skin/thconsole.skin), and the stream the main form stores
// with its skin data component: a 32-bit little-endian count, then the package.
std::span<const std::uint8_t> ConsoleSkinPackage();
std::span<const std::uint8_t> ConsoleSkinStream();

}  // namespace console
