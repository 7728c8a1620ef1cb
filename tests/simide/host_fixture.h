// A simulated IDE in a scratch directory, and notifiers that stand in for the
// expert's: they write what they are told into a shared event list.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "simide/notification_names.h"
#include "simide/sim_ide.h"
#include "tests/support/test_environment.h"

namespace simidetest {

using Events = std::vector<std::string>;

class RecordingAddInNotifier : public kvx::TIAddInNotifier {
 public:
  RecordingAddInNotifier(Events& events, bool* destroyed = nullptr)
      : events_(events), destroyed_(destroyed) {}
  void FileNotification(kvx::TFileNotification code, const std::string& fileName,
                        bool& cancel) override {
    events_.push_back(std::string(simide::FileNotificationName(code)) + " " + fileName);
    if (code == cancelCode) cancel = true;
    if (onNotify) onNotify(code);
  }
  int cancelCode = -1;
  std::function<void(kvx::TFileNotification)> onNotify;

 protected:
  ~RecordingAddInNotifier() override {
    if (destroyed_ != nullptr) *destroyed_ = true;
  }

 private:
  Events& events_;
  bool* destroyed_;
};

class RecordingModuleNotifier : public kvx::TIModuleNotifier {
 public:
  RecordingModuleNotifier(Events& events, std::string tag, bool* destroyed = nullptr)
      : events_(events), tag_(std::move(tag)), destroyed_(destroyed) {}
  void Notify(kvx::TNotifyCode code) override {
    events_.push_back(tag_ + " " + simide::ModuleNotificationName(code));
    if (onNotify) onNotify(code);
  }
  void ComponentRenamed(void*, const std::string&, const std::string&) override {}
  std::function<void(kvx::TNotifyCode)> onNotify;

 protected:
  ~RecordingModuleNotifier() override {
    if (destroyed_ != nullptr) *destroyed_ = true;
  }

 private:
  Events& events_;
  std::string tag_;
  bool* destroyed_;
};

class HostTest : public testing::Test {
 protected:
  HostTest() : dir_(kvxtest::MakeScratchSubdirectory("ide")) {}

  // Full name of a file in the scratch directory, optionally created with text.
  std::string File(const std::string& name) const { return dir_ + "/" + name; }
  std::string MakeFile(const std::string& name, const std::string& text) const {
    kvxtest::WriteFileBytes(File(name), text);
    return File(name);
  }

  // Opens a file and returns a module object for it (the caller releases).
  kvx::TIModuleInterface* OpenModule(const std::string& path) {
    EXPECT_TRUE(ide.OpenFile(path));
    return ide.ToolServices()->GetModuleInterface(path);
  }

  std::string dir_;
  simide::SimIde ide;
  Events events;
};

}  // namespace simidetest
