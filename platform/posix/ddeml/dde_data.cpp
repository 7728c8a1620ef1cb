// Data handles of the API.
#include "platform/posix/ddeml/dde_data.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "platform/posix/ddeml/dde_state.h"
#include "platform/posix/include/winsub_control.h"

namespace winsub::dde {

namespace {

// Larger objects are refused rather than risk exhausting memory.
constexpr DWORD MaxDataSize = DWORD{64} << 20;

struct DataObject {
  DWORD instance = 0;
  // A buffer of its own (never resized) so that DdeAccessData pointers stay
  // put; one spare zero byte behind the data keeps it non-null when empty.
  Bytes bytes;
  std::size_t size = 0;
  UINT format = 0;
  std::uintptr_t item = 0;
  bool applicationOwned = false;
};

std::mutex dataMutex;
std::map<std::uintptr_t, DataObject> objects;
// Never reused: a freed handle stays invalid. Far from small values such as
// the 1 that a successful execute returns.
std::uintptr_t nextHandle = 0x00DA0001;

std::uintptr_t Key(HDDEDATA data) { return reinterpret_cast<std::uintptr_t>(data); }

HDDEDATA Store(DataObject object) {
  std::lock_guard lock(dataMutex);
  const std::uintptr_t handle = nextHandle++;
  objects.emplace(handle, std::move(object));
  return reinterpret_cast<HDDEDATA>(handle);
}

DataObject MakeObject(DWORD instance, const unsigned char* source, std::size_t size, UINT format,
                      std::uintptr_t item, bool applicationOwned) {
  DataObject object;
  object.instance = instance;
  if (source != nullptr) {
    object.bytes.reserve(size + 1);
    object.bytes.assign(source, source + size);
    object.bytes.push_back(0);
  } else {
    object.bytes.assign(size + 1, 0);
  }
  object.size = size;
  object.format = format;
  object.item = item;
  object.applicationOwned = applicationOwned;
  return object;
}

}  // namespace

HDDEDATA NewDataHandle(DWORD instance, Bytes bytes, UINT format, std::uintptr_t item,
                       bool applicationOwned) {
  // Received data usually has room for the spare byte: it is taken over as
  // it is, without a copy.
  if (bytes.capacity() == bytes.size()) {
    return Store(MakeObject(instance, bytes.data(), bytes.size(), format, item, applicationOwned));
  }
  DataObject object;
  object.instance = instance;
  object.size = bytes.size();
  bytes.push_back(0);
  object.bytes = std::move(bytes);
  object.format = format;
  object.item = item;
  object.applicationOwned = applicationOwned;
  return Store(std::move(object));
}

std::optional<DataContents> DataOf(HDDEDATA data) {
  std::lock_guard lock(dataMutex);
  const auto found = objects.find(Key(data));
  if (found == objects.end()) return std::nullopt;
  const DataObject& object = found->second;
  return DataContents{Bytes(object.bytes.data(), object.bytes.data() + object.size), object.format};
}

std::optional<DataContents> TakeReturnedData(HDDEDATA data) {
  std::lock_guard lock(dataMutex);
  const auto found = objects.find(Key(data));
  if (found == objects.end()) return std::nullopt;
  DataObject& object = found->second;
  if (object.applicationOwned) {
    return DataContents{Bytes(object.bytes.data(), object.bytes.data() + object.size),
                        object.format};
  }
  DataContents contents{std::move(object.bytes), object.format};
  contents.bytes.resize(object.size);  // the spare byte goes
  objects.erase(found);
  return contents;
}

std::optional<Bytes> ConsumeData(HDDEDATA data) {
  std::lock_guard lock(dataMutex);
  const auto found = objects.find(Key(data));
  if (found == objects.end()) return std::nullopt;
  DataObject& object = found->second;
  if (object.applicationOwned) {
    return Bytes(object.bytes.data(), object.bytes.data() + object.size);
  }
  Bytes bytes = std::move(object.bytes);
  bytes.resize(object.size);  // the spare byte goes
  objects.erase(found);
  return bytes;
}

void ReleaseReturnedData(HDDEDATA data) {
  std::lock_guard lock(dataMutex);
  const auto found = objects.find(Key(data));
  if (found != objects.end() && !found->second.applicationOwned) objects.erase(found);
}

bool FreeData(HDDEDATA data) {
  std::lock_guard lock(dataMutex);
  return objects.erase(Key(data)) > 0;
}

void ReleaseInstanceData(DWORD instance) {
  std::lock_guard lock(dataMutex);
  std::erase_if(objects, [instance](const auto& entry) { return entry.second.instance == instance; });
}

}  // namespace winsub::dde

using namespace winsub::dde;

WINSUB_API HDDEDATA WINAPI DdeCreateDataHandle(DWORD idInst, LPBYTE src, DWORD cb, DWORD cbOff,
                                               HSZ item, UINT fmt, UINT cmd) {
  Instance* instance = OwnInstance(idInst);
  if (instance == nullptr) return nullptr;
  if (WinsubFaultStrikes(WINSUB_FAULT_DDE_CREATE_DATA) || cb > MaxDataSize) {
    instance->lastError = DMLERR_MEMORY_ERROR;
    return nullptr;
  }
  try {
    const unsigned char* source = src != nullptr ? src + cbOff : nullptr;
    return Store(MakeObject(idInst, source, cb, fmt, reinterpret_cast<std::uintptr_t>(item),
                            (cmd & HDATA_APPOWNED) != 0));
  } catch (const std::bad_alloc&) {
    instance->lastError = DMLERR_MEMORY_ERROR;
    return nullptr;
  }
}

WINSUB_API DWORD WINAPI DdeGetData(HDDEDATA data, LPBYTE dst, DWORD max, DWORD off) {
  std::lock_guard lock(dataMutex);
  const auto found = objects.find(Key(data));
  if (found == objects.end()) return 0;
  const DataObject& object = found->second;
  if (dst == nullptr) return static_cast<DWORD>(object.size);
  if (off >= object.size) return 0;
  const std::size_t count = std::min<std::size_t>(max, object.size - off);
  if (count > 0) std::memcpy(dst, object.bytes.data() + off, count);
  return static_cast<DWORD>(count);
}

WINSUB_API LPBYTE WINAPI DdeAccessData(HDDEDATA data, LPDWORD dataSize) {
  std::lock_guard lock(dataMutex);
  const auto found = objects.find(Key(data));
  if (found == objects.end()) return nullptr;
  if (dataSize != nullptr) *dataSize = static_cast<DWORD>(found->second.size);
  return found->second.bytes.data();
}

WINSUB_API BOOL WINAPI DdeUnaccessData(HDDEDATA data) {
  std::lock_guard lock(dataMutex);
  return objects.count(Key(data)) > 0 ? TRUE : FALSE;
}

WINSUB_API BOOL WINAPI DdeFreeDataHandle(HDDEDATA data) { return FreeData(data) ? TRUE : FALSE; }
