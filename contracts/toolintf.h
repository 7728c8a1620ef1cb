// The IDE's tools interface as the expert sees it: the host objects it calls
// and the objects it hands to the host. Shared by the expert and by any host.
#pragma once

#include <cstdint>
#include <string>

#include "contracts/host_variant.h"
#include "platform/winapi.h"

#ifdef _WIN32
#  define KVX_STDCALL __stdcall
#else
#  define KVX_STDCALL
#endif

namespace kvx {

// Every object crossing the boundary is reference counted; it starts at 1.
class TInterface {
 public:
  TInterface() = default;
  TInterface(const TInterface&) = delete;
  TInterface& operator=(const TInterface&) = delete;

  virtual int AddRef() { return ++RefCount; }
  virtual int Release() {
    const int left = --RefCount;
    if (left == 0) delete this;
    return left;
  }
  virtual int GetVersion() { return ToolsApiVersion; }

 protected:
  virtual ~TInterface() = default;

 private:
  int RefCount = 1;
};

// Releases a host object obtained in the current procedure; nil is skipped.
inline void ReleaseObject(TInterface* object) {
  if (object != nullptr) object->Release();
}

// 1-based column and line. The Delphi 3 host passes it packed.
#if defined(KVX_VARIANT_DELPHI3)
#  pragma pack(push, 1)
#endif
struct TEditPos {
  int16_t Col;
  int32_t Line;
};
#if defined(KVX_VARIANT_DELPHI3)
#  pragma pack(pop)
static_assert(sizeof(TEditPos) == 6, "the Delphi 3 host passes TEditPos packed");
#else
static_assert(sizeof(TEditPos) == 8, "TEditPos keeps Line 4-aligned");
#endif

class TIEditReader : public TInterface {
 public:
  // Copies up to Count bytes from byte offset Position; 0 at the end.
  virtual int GetText(int Position, char* Buffer, int Count) = 0;
};

class TIEditWriter : public TInterface {
 public:
  virtual bool CopyTo(int Pos) = 0;
  virtual bool DeleteTo(int Pos) = 0;
  virtual bool Insert(const char* Text) = 0;  // NUL-terminated
  virtual int Position() = 0;
};

class TIEditView : public TInterface {
 public:
  // Index 0: cursor, 1: top-left of the view.
  virtual TEditPos GetPos(int Index) = 0;
  virtual void SetPos(int Index, TEditPos Value) = 0;
  // cx: columns shown, cy: lines shown.
  virtual SIZE GetViewSize() = 0;
};

class TIEditorInterface : public TInterface {
 public:
  virtual std::string FileName() = 0;
  virtual int GetViewCount() = 0;
  virtual TIEditView* GetView(int Index) = 0;
  virtual bool BufferModified() = 0;
  virtual TIEditReader* CreateReader() = 0;
  virtual TIEditWriter* CreateWriter() = 0;
  virtual TIEditWriter* CreateUndoableWriter() = 0;
};

// Module notification codes.
enum TNotifyCode : uint8_t {
  ncModuleDeleted = 0,
  ncModuleRenamed = 1,
  ncEditorModified = 2,
  ncFormModified = 3,
  ncEditorSelected = 4,
  ncFormSelected = 5,
  ncBeforeSave = 6,
  ncAfterSave = 7,
  ncFormSaving = 8,
  ncProjResModified = 9,
};

class TIModuleNotifier : public TInterface {
 public:
  virtual void Notify(TNotifyCode NotifyCode) = 0;
  virtual void ComponentRenamed(void* ComponentHandle, const std::string& OldName,
                                const std::string& NewName) = 0;
};

class TIModuleInterface : public TInterface {
 public:
  virtual TIEditorInterface* GetEditorInterface() = 0;
  virtual bool AddNotifier(TIModuleNotifier* ModuleNotifier) = 0;
  virtual bool RemoveNotifier(TIModuleNotifier* ModuleNotifier) = 0;
  virtual bool Save(bool ForceSave) = 0;
  virtual bool ShowSource() = 0;
};

enum TFileNotification : uint8_t {
  fnFileOpening = 0,
  fnFileOpened = 1,
  fnFileClosing = 2,
  fnProjectOpening = 3,
  fnProjectOpened = 4,
  fnProjectClosing = 5,
  fnAddedToProject = 6,
  fnRemovedFromProject = 7,
  fnDefaultDesktopLoad = 8,
  fnDefaultDesktopSave = 9,
  fnProjectDesktopLoad = 10,
  fnProjectDesktopSave = 11,
};

#if defined(KVX_VARIANT_DELPHI3)
enum TEventNotification : uint8_t { enBeforeCompile = 0, enAfterCompile = 1 };
#endif

class TIAddInNotifier : public TInterface {
 public:
  virtual void FileNotification(TFileNotification NotifyCode, const std::string& FileName,
                                bool& Cancel) = 0;
#if defined(KVX_VARIANT_DELPHI3)
  // Declared by the Delphi 3 tools API; an add-in that does not care keeps this.
  virtual void EventNotification(TEventNotification NotifyCode, bool& Cancel) {
    (void)NotifyCode;
    (void)Cancel;
  }
#endif
};

class TIToolServices : public TInterface {
 public:
  virtual HWND GetParentHandle() = 0;
  virtual bool AddNotifier(TIAddInNotifier* AddInNotifier) = 0;
  virtual bool RemoveNotifier(TIAddInNotifier* AddInNotifier) = 0;
  virtual std::string GetProjectName() = 0;
  virtual std::string GetCurrentFile() = 0;
  virtual bool IsFileOpen(const std::string& FileName) = 0;
  virtual TIModuleInterface* GetModuleInterface(const std::string& FileName) = 0;
  virtual bool ReloadFile(const std::string& FileName) = 0;
  virtual void RaiseException(const std::string& Message) = 0;
};

enum TExpertStyle : uint8_t { esStandard = 0, esForm = 1, esProject = 2, esAddIn = 3 };

// A Pascal set of TExpertStateItem: bit n stands for item n.
enum TExpertStateItem : uint8_t { esEnabled = 0, esChecked = 1 };
using TExpertState = uint8_t;
inline constexpr TExpertState ExpertStateOf(TExpertStateItem item) {
  return static_cast<TExpertState>(1u << item);
}

class TIExpert : public TInterface {
 public:
  virtual std::string GetName() = 0;
  virtual std::string GetAuthor() = 0;
  virtual std::string GetComment() = 0;
  virtual std::string GetPage() = 0;
  virtual HICON GetGlyph() = 0;
  virtual TExpertStyle GetStyle() = 0;
  virtual TExpertState GetState() = 0;
  virtual std::string GetIDString() = 0;
  virtual std::string GetMenuText() = 0;
  virtual void Execute() = 0;
};

// What the host hands to the entry point.
using TExpertRegisterProc = bool(KVX_STDCALL*)(TIExpert* Expert);
using TExpertTerminateProc = void(KVX_STDCALL*)();
using TExpertInitProc = bool(KVX_STDCALL*)(TIToolServices* ToolServices,
                                           TExpertRegisterProc RegisterProc,
                                           TExpertTerminateProc* Terminate);

}  // namespace kvx
