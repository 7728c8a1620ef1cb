#include "simide/notification_names.h"

namespace simide {

const char* FileNotificationName(kvx::TFileNotification code) {
  static const char* const names[] = {
      "fnFileOpening",         "fnFileOpened",         "fnFileClosing",
      "fnProjectOpening",      "fnProjectOpened",      "fnProjectClosing",
      "fnAddedToProject",      "fnRemovedFromProject", "fnDefaultDesktopLoad",
      "fnDefaultDesktopSave",  "fnProjectDesktopLoad", "fnProjectDesktopSave"};
  return code < sizeof(names) / sizeof(names[0]) ? names[code] : "fn?";
}

const char* ModuleNotificationName(kvx::TNotifyCode code) {
  static const char* const names[] = {
      "ncModuleDeleted",  "ncModuleRenamed", "ncEditorModified", "ncFormModified",
      "ncEditorSelected", "ncFormSelected",  "ncBeforeSave",     "ncAfterSave",
      "ncFormSaving",     "ncProjResModified"};
  return code < sizeof(names) / sizeof(names[0]) ? names[code] : "nc?";
}

}  // namespace simide
