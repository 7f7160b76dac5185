// Setup files: the default one read at start-up and written at exit, and
// the Load Setup / Save Setup menu commands.
#include "shell/shell.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <streambuf>
#include <string>
#include <type_traits>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "digital/digital.h"
#include "generator/generator.h"
#include "scope/scope.h"

int (*setupWriteLine)(int fileHandle, const char *text, int numberOfBytes) = WriteLine;

namespace
{

// Integer value of a control whatever its integer type.
bool GetIntValue(int panel, int control, int &out)
{
    if (panel <= 0)
        return false;
    int i = 0;
    if (GetCtrlVal(panel, control, &i) == 0) {
        out = i;
        return true;
    }
    short s = 0;
    if (GetCtrlVal(panel, control, &s) == 0) {
        out = s;
        return true;
    }
    unsigned short u = 0;
    if (GetCtrlVal(panel, control, &u) == 0) {
        out = u;
        return true;
    }
    return false;
}

template <typename T> void TakeInt(int panel, int control, T &setting)
{
    int value = 0;
    if (GetIntValue(panel, control, value))
        setting = static_cast<T>(value);
}

void TakeReal(int panel, int control, double &setting)
{
    double value = 0.0;
    if (panel > 0 && GetCtrlVal(panel, control, &value) == 0)
        setting = value;
}

// A setting into its control: reals as reals, every integer width as int.
template <typename T> void PutSetting(int panel, int control, T value)
{
    if (panel <= 0)
        return;
    if constexpr (std::is_floating_point_v<T>)
        SetCtrlVal(panel, control, static_cast<double>(value));
    else
        SetCtrlVal(panel, control, static_cast<int>(value));
}

// A setting from its control, kept as it was when the control cannot be
// read.
template <typename T> void TakeSetting(int panel, int control, T &setting)
{
    if constexpr (std::is_floating_point_v<T>)
        TakeReal(panel, control, setting);
    else
        TakeInt(panel, control, setting);
}

enum class SetupTake { Always, OnApply };
constexpr bool TakenAlways(SetupTake take) { return take == SetupTake::Always; }

#define KORVAX_SETUP_FIELD_TYPE(field) std::remove_reference_t<decltype(std::declval<SetupValues &>().field)>

// Step 3 of reading: every setting into its control, in file order.
void PutSettingsIntoControls()
{
#define KORVAX_SETUP_PUT(line, field, variable, panel, control, take)                               \
    PutSetting(panel, control, static_cast<KORVAX_SETUP_FIELD_TYPE(field)>(variable));
    KORVAX_SETUP_SETTINGS(KORVAX_SETUP_PUT)
#undef KORVAX_SETUP_PUT
}

// Every setting from its control into v; the auxiliary BNC output only
// when asked (the reader takes it back, the saves write it as held).  A
// setting whose control cannot be read keeps the value v holds.
void TakeSettingsFromControls(SetupValues &v, bool withAuxBnc)
{
#define KORVAX_SETUP_TAKE(line, field, variable, panel, control, take)                              \
    if (TakenAlways(SetupTake::take) || withAuxBnc)                                                   \
        TakeSetting(panel, control, v.field);
    KORVAX_SETUP_SETTINGS(KORVAX_SETUP_TAKE)
#undef KORVAX_SETUP_TAKE
}

// Flushes a closed file's data to the disk (best effort for the folder).
bool SyncPath(const char *path)
{
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

void Setup_Collect(SetupValues &v)
{
#define KORVAX_SETUP_COLLECT(line, field, variable, panel, control, take) v.field = variable;
    KORVAX_SETUP_SETTINGS(KORVAX_SETUP_COLLECT)
#undef KORVAX_SETUP_COLLECT
}

void Setup_Store(const SetupValues &v)
{
#define KORVAX_SETUP_STORE(line, field, variable, panel, control, take) variable = v.field;
    KORVAX_SETUP_SETTINGS(KORVAX_SETUP_STORE)
#undef KORVAX_SETUP_STORE
}

void Setup_UserValues(SetupValues &values)
{
    Setup_Collect(values);
    TakeSettingsFromControls(values, false);
}

void Setup_RefreshFromControls(void)
{
    SetupValues values;
    Setup_UserValues(values);
    Setup_Store(values);
}

void Setup_TakeAllFromControls(void)
{
    SetupValues values;
    Setup_Collect(values);
    TakeSettingsFromControls(values, true);
    Setup_Store(values);
}

void Setup_Apply(void)
{
    // The record length as read: its box's limit depends on the channels
    // and the streaming mode, which are applied below.
    const int recordLength = RequestedSamples;

    PutSettingsIntoControls();
    // The controls hold their values within their limits, and a ring keeps
    // its selection for a value it does not offer: take every setting back
    // so that settings and controls agree.
    Setup_TakeAllFromControls();

    if (panelScope > 0)
        SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, trigger_source == kTriggerNone ? 1 : 0);

    if (panelAin > 0) {
        Select_Channel(panelAin, TAB_AIN_CH1, EVENT_VAL_CHANGED, nullptr, 1, 0);
        // The channel selection rebuilds the trigger-source list: select
        // the source just read again (or, when the new list does not offer
        // it, keep what the list shows).
        if (panelScope > 0) {
            SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, trigger_source);
            TakeInt(panelScope, SCOPE_TRIGGER_SOURCE, trigger_source);
        }
    }
    if (panelAd_Scope > 0)
        onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
    if (panelScope > 0) {
        // With the channels and the mode in force, the record length read
        // is held only to their limit (a stream may be far longer than a
        // normal record), and the pre-trigger samples inside the record.
        SetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, Scope_RecordLimit());
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, recordLength);
        TakeInt(panelScope, SCOPE_RECORD_LENGTH, RequestedSamples);
        TakeInt(panelScope, SCOPE_PRE_SAMPLES, pre_iSample);
        const int lastPre = RequestedSamples > 0 ? RequestedSamples - 1 : 0;
        if (pre_iSample > lastPre || pre_iSample < 0) {
            pre_iSample = pre_iSample < 0 ? 0 : lastPre;
            SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, pre_iSample);
            TakeInt(panelScope, SCOPE_PRE_SAMPLES, pre_iSample);
        }
    }
    // Confirming the advanced settings dims the pre-samples box whatever
    // the source: give it back to the user when pre-trigger samples apply
    // (a trigger source, and multiple-record mode off).
    if (panelScope > 0)
        SetCtrlAttribute(panelScope, SCOPE_PRE_SAMPLES, ATTR_DIMMED,
                         (trigger_source == kTriggerNone || isMultipleRecord) ? 1 : 0);
}

namespace
{

// An open file read by handle, as a stream for the setup reader.
class HandleInput : public std::streambuf
{
  public:
    explicit HandleInput(int handle) : handle_(handle) {}

  protected:
    int_type underflow() override
    {
        const int n = ReadFile(handle_, buffer_, static_cast<int>(sizeof buffer_));
        if (n <= 0)
            return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + n);
        return traits_type::to_int_type(buffer_[0]);
    }

  private:
    int handle_;
    char buffer_[4096];
};

int WriteValues(int fileHandle, const SetupValues &values)
{
    for (int i = 0; i < kSetupLineCount; ++i) {
        const std::string text = SetupFormatLine(i, values);
        const int n = static_cast<int>(text.size());
        const int rc = setupWriteLine(fileHandle, text.c_str(), n);
        if (rc < 0)
            return rc;
        if (rc < n)
            return UIE_IO_ERROR; // a short write: the line is cut
    }
    return 0;
}

// The configuration folder's lock: held by the first instance on a
// folder for as long as it runs.
struct ConfigurationLock {
    int fd = -1;
    std::string folder;
    bool readOnly = false;
};
ConfigurationLock configurationLock;

std::string FolderOf(const std::string &path)
{
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

// "KorvaxDemo.ini." followed by the six characters mkstemp puts there.
bool IsTemporaryName(const char *name)
{
    const std::size_t base = std::strlen(kDefaultSetupName);
    if (std::strncmp(name, kDefaultSetupName, base) != 0 || name[base] != '.')
        return false;
    const char *suffix = name + base + 1;
    if (std::strlen(suffix) != 6)
        return false;
    for (const char *c = suffix; *c; ++c) {
        if (!std::isalnum(static_cast<unsigned char>(*c)))
            return false;
    }
    return true;
}

} // namespace

int Read_IniFile(int fileHandle)
{
    SetupValues values;
    Setup_UserValues(values);
    int stored = 0;
    if (fileHandle > 0) {
        HandleInput buffer(fileHandle);
        std::istream in(&buffer);
        stored = SetupReadLines(in, values);
    }
    Setup_Store(values);
    Setup_Apply();
    return stored;
}

int Setup_ReadFile(const char *fileName)
{
    SetupValues values;
    Setup_UserValues(values);
    int stored = 0;
    const SetupReadStatus status = SetupReadFile(fileName, values, &stored);
    if (status != kSetupReadOk)
        return status;
    Setup_Store(values);
    Setup_Apply();
    return stored;
}

int Save_IniFile(int fileHandle)
{
    SetupValues values;
    Setup_Collect(values);
    return WriteValues(fileHandle, values);
}

int Bench_ConfigFilePath(const char *name, char *path, std::size_t size)
{
    char windowsDir[1100] = "";
    char systemDir[1100] = "";
    if (!name || !path || size == 0)
        return UIE_BAD_VALUE;
    if (GetWindowsDirs(windowsDir, systemDir) != 0 || windowsDir[0] == '\0')
        return UIE_FILE_NOT_FOUND;
    const int n = std::snprintf(path, size, "%s/%s", windowsDir, name);
    if (n < 0 || static_cast<std::size_t>(n) >= size)
        return UIE_BAD_VALUE;
    return 0;
}

int Setup_DefaultPath(char *path, std::size_t size)
{
    return Bench_ConfigFilePath(kDefaultSetupName, path, size);
}

int Setup_WriteValues(const char *fileName, const SetupValues &values)
{
    if (!fileName || fileName[0] == '\0')
        return UIE_BAD_VALUE;

    // Replace the file a symbolic link points to, not the link.
    std::string target = fileName;
    char resolved[PATH_MAX];
    if (::realpath(fileName, resolved))
        target = resolved;

    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    mode_t mode;
    if (exists) {
        // A folder, FIFO or device is not a setup file; a write-protected
        // file stays as the user protected it.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            return UIE_IO_ERROR;
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return UIE_IO_ERROR;
    // The new file keeps the old one's permissions (mkstemp makes 0600).
    const bool modeSet = ::fchmod(fd, mode) == 0;
    ::close(fd);

    int rc = UIE_IO_ERROR;
    const int file = modeSet ? OpenFile(temp.c_str(), VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII) : -1;
    if (file > 0) {
        const int written = WriteValues(file, values);
        const int closed = CloseFile(file);
        if (written == 0 && closed == 0 && SyncPath(temp.c_str()) &&
            std::rename(temp.c_str(), target.c_str()) == 0) {
            rc = 0;
            SyncPath(FolderOf(target).c_str());
        }
    }
    if (rc != 0)
        ::unlink(temp.c_str());
    return rc;
}

int Setup_WriteFile(const char *fileName)
{
    SetupValues values;
    Setup_Collect(values);
    return Setup_WriteValues(fileName, values);
}

bool Setup_LockConfiguration(const char *folder)
{
    if (!folder || !*folder)
        return true;
    if (configurationLock.fd >= 0 && configurationLock.folder == folder)
        return !configurationLock.readOnly;
    Setup_UnlockConfiguration();
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true; // nothing to lock: nothing to share either
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        // A folder that cannot be locked at all (no lock support) is used
        // as before; one locked by another instance is read-only here.
        configurationLock.readOnly = held;
        configurationLock.folder = held ? folder : "";
        return !held;
    }
    configurationLock.fd = fd;
    configurationLock.folder = folder;
    configurationLock.readOnly = false;
    return true;
}

void Setup_UnlockConfiguration(void)
{
    if (configurationLock.fd >= 0)
        ::close(configurationLock.fd); // closing releases the lock
    configurationLock = ConfigurationLock();
}

bool Setup_ReadOnly(void)
{
    return configurationLock.readOnly;
}

int Setup_RemoveStaleTemporaries(const char *folder)
{
    if (!folder || !*folder)
        return 0;
    DIR *dir = ::opendir(folder);
    if (!dir)
        return 0;
    int removed = 0;
    const uid_t me = ::getuid();
    while (const dirent *entry = ::readdir(dir)) {
        if (!IsTemporaryName(entry->d_name))
            continue;
        const std::string path = std::string(folder) + "/" + entry->d_name;
        struct stat st;
        // Only plain files of this user; a link is never followed.
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != me)
            continue;
        if (::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

void Setup_OpenDefault(void)
{
    char path[1100];
    if (Setup_DefaultPath(path, sizeof path) != 0)
        return;
    const std::string folder = FolderOf(path);
    if (Setup_LockConfiguration(folder.c_str())) {
        // Only the instance holding the folder can be sure that no save of
        // its own naming is still being written there.
        Setup_RemoveStaleTemporaries(folder.c_str());
    } else {
        MessagePopup("Korvax Demo",
                     "Another Korvax Demo bench is running with the same settings folder.\n"
                     "This one uses its settings read-only: they are not saved at exit.");
    }
    // Absent, unreadable or refused: nothing is read, nothing is said.
    Setup_ReadFile(path);
}

void Save_Last_Setup(void)
{
    // Another instance holds the folder: its exit save is the one kept.
    if (Setup_ReadOnly())
        return;
    char path[1100];
    if (Setup_DefaultPath(path, sizeof path) != 0)
        return;
    Setup_RefreshFromControls();
    // Nothing is reported at exit: the old file stays whole when the new
    // one cannot be written.
    Setup_WriteFile(path);
}

void Load_Setup(int, int, void *, int)
{
    char dir[1100] = "";
    char path[1100] = "";
    GetDir(dir);
    if (FileSelectPopup(dir, "*.ini", "*.ini", "Select Setup File", VAL_LOAD_BUTTON, 0, 1, 1, 1, path) ==
        VAL_NO_FILE_SELECTED)
        return;
    // Only a regular file of a setup file's size is read; anything else
    // (missing, a folder, a FIFO, a device, a huge file) changes nothing.
    if (Setup_ReadFile(path) >= 0)
        return;
    MessagePopup("Error message", "Open File Error");
}

void Save_Setup(int, int, void *, int)
{
    char dir[1100] = "";
    char path[1100] = "";
    GetDir(dir);
    if (FileSelectPopup(dir, "*.ini", "*.ini", "Save Setup", VAL_SAVE_BUTTON, 0, 1, 1, 1, path) ==
        VAL_NO_FILE_SELECTED)
        return;
    // What the user set, as the exit save writes it, without changing what
    // a running instrument works with.
    SetupValues values;
    Setup_UserValues(values);
    if (Setup_WriteValues(path, values) != 0)
        MessagePopup("Error message", "Saving File impossible");
}
