#include "host/preferences_file.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "ui/string_table.h"

namespace quorix::host {
namespace {

constexpr long kMaxFileSize = 1 << 20;

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

struct EngineRecord {
  std::unique_ptr<EnginePreferences> prefs;
  std::unique_ptr<PreferencesFile> file;
  std::string readFrom;
};

EngineRecord& engineRecord() {
  static EngineRecord record;
  return record;
}

}  // namespace

std::string preferencesFileName() {
  return std::string(ui::stringResource(ui::kStringLibraryName)) + ".prf";
}

PreferencesFile::PreferencesFile(std::string baseFolder, std::string userFolder)
    : baseFolder_(std::move(baseFolder)), userFolder_(std::move(userFolder)) {}

std::string PreferencesFile::readPath() const {
  if (!userFolder_.empty()) {
    std::string user = joinPath(userFolder_, preferencesFileName());
    if (platform::isRegularFile(user)) return user;
  }
  return joinPath(baseFolder_, preferencesFileName());
}

std::string PreferencesFile::writePath() const {
  if (!userFolder_.empty()) {
    std::string user = joinPath(userFolder_, preferencesFileName());
    if (platform::isRegularFile(user) || !platform::isWritableFolder(baseFolder_)) return user;
  }
  return joinPath(baseFolder_, preferencesFileName());
}

bool PreferencesFile::load(EnginePreferences& prefs) const {
  std::string path = readPath();
  if (!platform::isRegularFile(path)) return false;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::vector<uint8_t> bytes;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  long size = ok ? std::ftell(file) : -1;
  if (size >= 1 && size <= kMaxFileSize && std::fseek(file, 0, SEEK_SET) == 0) {
    bytes.resize(static_cast<size_t>(size));
    ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  } else {
    ok = false;
  }
  std::fclose(file);
  return ok && deserializePreferences(bytes.data(), bytes.size(), prefs);
}

bool PreferencesFile::save(const EnginePreferences& prefs) const {
  std::string path = writePath();
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && !platform::makeFolders(path.substr(0, slash))) return false;

  // Written beside the file and renamed over it, so that a failed write loses nothing.
  std::string temporary = path + ".new";
  auto bytes = serializePreferences(prefs);
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fclose(file) == 0) && ok;
  if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

EnginePreferences* enginePreferences() { return engineRecord().prefs.get(); }

EnginePreferences& createPreferences(const PreferencesFile& file) {
  EngineRecord& record = engineRecord();
  if (!record.prefs) {
    record.prefs = std::make_unique<EnginePreferences>();
    record.file = std::make_unique<PreferencesFile>(file);
    record.readFrom = file.load(*record.prefs) ? file.readPath() : std::string();
  }
  return *record.prefs;
}

void releasePreferences() {
  EngineRecord& record = engineRecord();
  if (record.prefs && record.prefs->changed != 0 && record.file) {
    record.file->save(*record.prefs);  // a failed save is silent
  }
  record.prefs.reset();
  record.file.reset();
  record.readFrom.clear();
}

const std::string& preferencesReadFrom() { return engineRecord().readFrom; }

}  // namespace quorix::host
