// String handles of the API and the atom table behind them.
#include "platform/posix/ddeml/dde_atoms.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "platform/posix/ddeml/dde_state.h"
#include "platform/posix/include/winsub_control.h"

namespace winsub::dde {

namespace {

struct Atom {
  std::string spelling;
  unsigned references = 0;  // all holders: instances and the library
};

std::mutex atomMutex;
std::map<std::string, std::uintptr_t> atomsByKey;
std::map<std::uintptr_t, Atom> atoms;
// What each instance holds, so that frees match creations per instance.
std::map<std::pair<DWORD, std::uintptr_t>, unsigned> instanceReferences;
// Atom values start where Windows' string atoms start; never reused.
std::uintptr_t nextAtom = 0xC000;

std::uintptr_t HoldLocked(std::string_view text) {
  if (text.empty() || text.size() > MaxAtomLength) return 0;
  const std::string key = AtomKey(text);
  auto found = atomsByKey.find(key);
  if (found == atomsByKey.end()) {
    const std::uintptr_t value = nextAtom++;
    atoms.emplace(value, Atom{std::string(text), 0});
    found = atomsByKey.emplace(key, value).first;
  }
  ++atoms[found->second].references;
  return found->second;
}

void ReleaseLocked(std::uintptr_t atom, unsigned count) {
  const auto found = atoms.find(atom);
  if (found == atoms.end()) return;
  found->second.references -= std::min(count, found->second.references);
  if (found->second.references == 0) {
    atomsByKey.erase(AtomKey(found->second.spelling));
    atoms.erase(found);
  }
}

int Compare(const std::string& a, const std::string& b) {
  const int order = AtomKey(a).compare(AtomKey(b));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

std::string AtomKey(std::string_view text) {
  std::string key(text);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

std::uintptr_t HoldAtom(std::string_view text) {
  std::lock_guard lock(atomMutex);
  return HoldLocked(text);
}

void ReleaseAtom(std::uintptr_t atom) {
  std::lock_guard lock(atomMutex);
  ReleaseLocked(atom, 1);
}

std::optional<std::string> AtomText(std::uintptr_t atom) {
  std::lock_guard lock(atomMutex);
  const auto found = atoms.find(atom);
  if (found == atoms.end()) return std::nullopt;
  return found->second.spelling;
}

void ReleaseInstanceStrings(DWORD instance) {
  std::lock_guard lock(atomMutex);
  for (auto it = instanceReferences.begin(); it != instanceReferences.end();) {
    if (it->first.first == instance) {
      ReleaseLocked(it->first.second, it->second);
      it = instanceReferences.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace winsub::dde

using namespace winsub::dde;

WINSUB_API HSZ WINAPI DdeCreateStringHandleA(DWORD idInst, LPCSTR text, int codePage) {
  Instance* instance = OwnInstance(idInst);
  if (instance == nullptr) return nullptr;
  if (text == nullptr || (codePage != 0 && codePage != CP_WINANSI)) {
    instance->lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  if (WinsubFaultStrikes(WINSUB_FAULT_DDE_CREATE_STRING)) {
    instance->lastError = DMLERR_SYS_ERROR;
    return nullptr;
  }
  std::lock_guard lock(atomMutex);
  const std::uintptr_t atom = HoldLocked(std::string_view(text, strnlen(text, MaxAtomLength + 1)));
  if (atom == 0) {
    instance->lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  ++instanceReferences[{idInst, atom}];
  return ToHsz(atom);
}

WINSUB_API BOOL WINAPI DdeFreeStringHandle(DWORD idInst, HSZ hsz) {
  Instance* instance = OwnInstance(idInst);
  if (instance == nullptr) return FALSE;
  std::lock_guard lock(atomMutex);
  const auto held = instanceReferences.find({idInst, FromHsz(hsz)});
  if (held == instanceReferences.end()) {
    instance->lastError = DMLERR_INVALIDPARAMETER;
    return FALSE;
  }
  if (--held->second == 0) instanceReferences.erase(held);
  ReleaseLocked(FromHsz(hsz), 1);
  return TRUE;
}

WINSUB_API DWORD WINAPI DdeQueryStringA(DWORD idInst, HSZ hsz, LPSTR buffer, DWORD maxChars,
                                        int codePage) {
  Instance* instance = OwnInstance(idInst);
  if (instance == nullptr) return 0;
  if (codePage != 0 && codePage != CP_WINANSI) {
    instance->lastError = DMLERR_INVALIDPARAMETER;
    return 0;
  }
  const std::optional<std::string> text = AtomText(FromHsz(hsz));
  if (!text) {
    instance->lastError = DMLERR_INVALIDPARAMETER;
    return 0;
  }
  if (buffer == nullptr) return static_cast<DWORD>(text->size());
  if (maxChars == 0) return 0;
  const std::size_t count = std::min<std::size_t>(text->size(), maxChars - 1);
  std::memcpy(buffer, text->data(), count);
  buffer[count] = '\0';
  return static_cast<DWORD>(count);
}

WINSUB_API int WINAPI DdeCmpStringHandles(HSZ hsz1, HSZ hsz2) {
  const std::uintptr_t a = FromHsz(hsz1);
  const std::uintptr_t b = FromHsz(hsz2);
  if (a == b) return 0;
  if (a == 0) return -1;
  if (b == 0) return 1;
  const std::optional<std::string> textA = AtomText(a);
  const std::optional<std::string> textB = AtomText(b);
  if (!textA || !textB) return a < b ? -1 : 1;
  return Compare(*textA, *textB);
}
