#pragma once

#include <string_view>

// The controls of the sealed and stealth forms' dialogs and the menu that
// opens them, by name: the dialogs' definitions, their logic and the tests
// use these, so that a misspelt name cannot compile.
namespace veil::names {

// The main window's menu of its own for the two forms.
inline constexpr std::string_view kForms = "forms";
inline constexpr std::string_view kFormsSealedHide = "formsSealedHide";
inline constexpr std::string_view kFormsStealthHide = "formsStealthHide";
inline constexpr std::string_view kFormsOpen = "formsOpen";

// The dialogs.
inline constexpr std::string_view kFormCoverLabel = "LabCover";
inline constexpr std::string_view kFormCover = "TxtCover";
inline constexpr std::string_view kFormCoverBrowse = "CmdCover";
inline constexpr std::string_view kFormPayloadLabel = "LabPayload";
inline constexpr std::string_view kFormPayload = "TxtPayload";
inline constexpr std::string_view kFormPayloadBrowse = "CmdPayload";
inline constexpr std::string_view kFormOutputLabel = "LabOutput";
inline constexpr std::string_view kFormOutput = "TxtOutput";
inline constexpr std::string_view kFormOutputBrowse = "CmdOutput";
inline constexpr std::string_view kFormPasswordLabel = "LabPassword";
inline constexpr std::string_view kFormPassword = "TxtPassword";
inline constexpr std::string_view kFormConfirmLabel = "LabConfirm";
inline constexpr std::string_view kFormConfirm = "TxtConfirm";
inline constexpr std::string_view kFormStrength = "LabStrength";
inline constexpr std::string_view kFormCapacity = "LabCapacity";
inline constexpr std::string_view kFormProgress = "PrgRun";
inline constexpr std::string_view kFormStatus = "LabStatus";
inline constexpr std::string_view kFormStart = "CmdStart";
inline constexpr std::string_view kFormCancel = "CmdCancel";

}  // namespace veil::names
