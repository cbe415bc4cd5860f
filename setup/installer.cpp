#include "setup/installer.h"

#include "device/device.h"
#include "device/files.h"
#include "device/ini.h"
#include "device/paths.h"
#include "device/registry.h"
#include "device/text.h"
#include "setup/setup_hook.h"

#include <dlfcn.h>
#include <libgcab.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hv::install {

namespace {

constexpr char16_t kAppsKey[] = u"Software\\Apps\\";

bool parseVersion(const std::string& s, uint32_t& out) {
    unsigned major = 0, minor = 0;
    char dot = 0;
    std::istringstream in(s);
    if (!(in >> major >> dot >> minor) || dot != '.' || major > 99 || minor > 99)
        return false;
    out = major * 100 + minor;
    return true;
}

bool fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    return false;
}

bool safeName(const std::string& n) {
    return !n.empty() && n != "." && n != ".." && n.find_first_of("/\\") == std::string::npos;
}

std::vector<uint8_t> sz(std::u16string_view s) {
    std::vector<uint8_t> out((s.size() + 1) * 2, 0);
    std::memcpy(out.data(), s.data(), s.size() * 2);
    return out;
}

std::u16string szOf(const dev::RegValue& v) {
    std::u16string s(v.data.size() / 2, u'\0');
    std::memcpy(s.data(), v.data.data(), s.size() * 2);
    if (const size_t z = s.find(u'\0'); z != std::u16string::npos)
        s.resize(z);
    return s;
}

std::vector<std::u16string> multiSzOf(const dev::RegValue& v) {
    std::u16string all(v.data.size() / 2, u'\0');
    std::memcpy(all.data(), v.data.data(), all.size() * 2);
    std::vector<std::u16string> out;
    size_t start = 0;
    while (start < all.size()) {
        const size_t z = all.find(u'\0', start);
        const size_t end = z == std::u16string::npos ? all.size() : z;
        if (end > start)
            out.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// A private scratch folder in the device root for unpacking.
fs::path scratchFolder() {
    const fs::path base = dev::current().root() / ".system" / "install";
    std::error_code ec;
    fs::create_directories(base, ec);
    std::string tmpl = (base / "cabXXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        return {};
    return tmpl;
}

struct Scratch {
    fs::path dir = scratchFolder();
    ~Scratch() {
        std::error_code ec;
        if (!dir.empty())
            fs::remove_all(dir, ec);
    }
};

gboolean acceptSafeNames(GCabFile* file, gpointer) {
    const char* name = gcab_file_get_name(file);
    return name && safeName(name);
}

bool extractCabinet(const fs::path& cab, const fs::path& into, std::string* error) {
    GFile* in = g_file_new_for_path(cab.c_str());
    GFile* out = g_file_new_for_path(into.c_str());
    GCabCabinet* cabinet = gcab_cabinet_new();
    GError* err = nullptr;
    GFileInputStream* stream = g_file_read(in, nullptr, &err);
    bool ok = stream && gcab_cabinet_load(cabinet, G_INPUT_STREAM(stream), nullptr, &err) &&
              gcab_cabinet_extract_simple(cabinet, out, acceptSafeNames, nullptr, nullptr, &err);
    if (!ok)
        fail(error, std::string("cannot unpack ") + cab.string() + ": " +
                        (err ? err->message : "unknown error"));
    if (err)
        g_error_free(err);
    if (stream)
        g_object_unref(stream);
    g_object_unref(cabinet);
    g_object_unref(out);
    g_object_unref(in);
    return ok;
}

bool readText(const fs::path& p, std::string& out) {
    std::ifstream f(p, std::ios::binary);
    if (!f)
        return false;
    std::ostringstream s;
    s << f.rdbuf();
    out = s.str();
    return true;
}

// The setup library's entry points, loaded from a host file.
struct Hook {
    explicit Hook(const fs::path& file) {
        lib = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return;
        if (auto use = reinterpret_cast<SetupUseDeviceFn>(dlsym(lib, kSetupUseDeviceName)))
            use(&dev::current());
    }
    ~Hook() {
        if (!lib)
            return;
        if (auto use = reinterpret_cast<SetupUseDeviceFn>(dlsym(lib, kSetupUseDeviceName)))
            use(nullptr);
        dlclose(lib);
    }
    template <class F> F get(const char* name) const {
        return lib ? reinterpret_cast<F>(dlsym(lib, name)) : nullptr;
    }
    void* lib = nullptr;
};

// The content hash by which the installer tells a file the user changed from the one it placed.
std::string contentHash(const std::vector<uint8_t>& bytes) {
    gchar* h = g_compute_checksum_for_data(G_CHECKSUM_SHA256, bytes.data(), bytes.size());
    std::string out = h ? h : "";
    g_free(h);
    return out;
}

std::optional<std::vector<uint8_t>> readHostFile(const fs::path& p) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(p, ec)))
        return std::nullopt;
    std::ifstream f(p, std::ios::binary);
    if (!f)
        return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// The installer's record of the data files it shipped: their hashes in the registry (value
// "Shipped", one "<hash> <device path>" per entry) and a copy of each shipped content, named by
// its hash, as the base of the next update's merge.
fs::path shippedFolder(const std::string& app) {
    return dev::current().root() / ".system" / "install" / "shipped" / app;
}

std::string lowerAscii(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::u16string folderFor(const SetupDescription& d, const std::string& kind) {
    const std::u16string install = expandFolder(d.installFolder);
    if (kind == "install")
        return install;
    if (kind == "data")
        return install + u"\\data";
    if (kind == "system")
        return u"\\Windows";
    return expandFolder(kind);
}

} // namespace

bool parseDescription(std::string_view text, SetupDescription& out) {
    out = {};
    // A line that is not an entry makes the whole description unreadable.
    const dev::IniText ini = dev::parseIni(text);
    if (ini.malformedLines > 0)
        return false;
    bool haveMin = false, haveMax = false;
    for (const auto& [section, key, value] : ini.entries) {
        if (section == "Application") {
            if (key == "Name")
                out.name = value;
            else if (key == "Provider")
                out.provider = value;
            else if (key == "Version")
                out.version = value;
            else if (key == "InstallFolder")
                out.installFolder = value;
            else if (key == "RegistryKey")
                out.registryKey = value;
            else if (key == "SetupLibrary")
                out.setupLibrary = value;
            else if (key == "Processor")
                out.processor = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
            else if (key == "MinSystem")
                haveMin = parseVersion(value, out.minSystem);
            else if (key == "MaxSystem")
                haveMax = parseVersion(value, out.maxSystem);
        } else if (section == "Files" || section == "Shortcuts") {
            if (!safeName(key) || value.empty())
                return false;
            (section == "Files" ? out.files : out.shortcuts).push_back({key, value});
        }
    }
    return !out.name.empty() && !out.installFolder.empty() && haveMin && haveMax &&
           !out.files.empty() && (out.setupLibrary.empty() || safeName(out.setupLibrary));
}

std::u16string expandFolder(std::string_view folder) {
    std::u16string s = dev::fromUtf8(folder);
    auto replace = [&](std::u16string_view from, std::u16string_view to) {
        for (size_t p; (p = s.find(from)) != std::u16string::npos;)
            s.replace(p, from.size(), to);
    };
    replace(u"%CE11%", u"\\Windows\\Start Menu\\Programs");
    replace(u"%CE1%", u"\\Program Files");
    replace(u"%CE2%", u"\\Windows");
    while (s.size() > 1 && s.back() == u'\\')
        s.pop_back();
    return s;
}

bool fitsSystem(const SetupDescription& d, uint32_t system) {
    return system >= d.minSystem && system <= d.maxSystem;
}

bool readCabinetDescription(const fs::path& cab, SetupDescription& out, std::string* error) {
    Scratch scratch;
    if (scratch.dir.empty())
        return fail(error, "cannot create a scratch folder");
    if (!extractCabinet(cab, scratch.dir, error))
        return false;
    std::string text;
    if (!readText(scratch.dir / kDescriptionName, text) || !parseDescription(text, out))
        return fail(error, cab.string() + " holds no valid setup description");
    return true;
}

bool installCabinet(const fs::path& cab, std::string* error) {
    Scratch scratch;
    if (scratch.dir.empty())
        return fail(error, "cannot create a scratch folder");
    if (!extractCabinet(cab, scratch.dir, error))
        return false;
    std::string text;
    SetupDescription d;
    if (!readText(scratch.dir / kDescriptionName, text) || !parseDescription(text, d))
        return fail(error, cab.string() + " holds no valid setup description");
    const uint32_t system = dev::current().shell().systemMajorVersion() * 100;
    if (!fitsSystem(d, system))
        return fail(error, cab.string() + " does not fit this device's system version");
    for (const auto& p : d.files)
        if (!fs::exists(scratch.dir / p.name))
            return fail(error, "the package lacks " + p.name);

    const std::u16string installDir = expandFolder(d.installFolder);
    Hook hook(d.setupLibrary.empty() ? fs::path() : scratch.dir / d.setupLibrary);
    if (auto init = hook.get<InstallInitFn>(kInstallInitName))
        init(nullptr, 1, installedVersion(d.name).empty() ? 0 : 1, installDir.c_str());

    // What the previous install shipped into the data folder, by device path.
    const std::u16string appKey = kAppsKey + dev::fromUtf8(d.name);
    std::map<std::u16string, std::string> shippedBefore;
    if (const auto v = dev::regQueryValue(dev::RegHive::LocalMachine, appKey, u"Shipped"))
        for (const std::u16string& entry : multiSzOf(*v))
            if (const size_t space = entry.find(u' '); space != std::u16string::npos)
                shippedBefore[entry.substr(space + 1)] = dev::toUtf8(entry.substr(0, space));
    const fs::path shippedDir = shippedFolder(d.name);
    std::vector<std::u16string> placed, shippedNow;

    uint16_t failedFiles = 0, failedDirs = 0, failedKeys = 0, failedShortcuts = 0;
    // A data file is the user's once the user's programs changed it: it is replaced only while
    // it holds what the last install placed; otherwise the new version is merged into it by the
    // setup library, or the user's file stays as it is.
    auto keepUsersFile = [&](const std::u16string& target, const fs::path& host,
                             const std::vector<uint8_t>& shipped, const std::string& hash) {
        const auto current = readHostFile(host);
        if (!current)
            return false;
        const std::string currentHash = contentHash(*current);
        if (currentHash == hash)
            return true; // already the new version
        const auto before = shippedBefore.find(target);
        if (before != shippedBefore.end() && before->second == currentHash)
            return false; // as shipped: the new version replaces it
        if (before != shippedBefore.end() && before->second == hash)
            return true; // the same version again: nothing to merge
        std::vector<uint8_t> base;
        if (before != shippedBefore.end())
            base = readHostFile(shippedDir / before->second).value_or(std::vector<uint8_t>{});
        if (auto merge = hook.get<SetupMergeFileFn>(kSetupMergeFileName))
            merge(target.c_str(), base.data(), base.size(), shipped.data(), shipped.size());
        return true;
    };
    auto place = [&](const Placement& p, uint16_t& failures) {
        const std::u16string folder = folderFor(d, p.folder);
        const std::u16string target = folder + u"\\" + dev::fromUtf8(p.name);
        if (!dev::createDirectory(folder))
            ++failedDirs;
        std::error_code ec;
        const fs::path host = dev::hostPath(target);
        if (p.folder == "data") {
            const auto shipped = readHostFile(scratch.dir / p.name);
            if (!shipped) {
                ++failures;
                return;
            }
            const std::string hash = contentHash(*shipped);
            fs::create_directories(shippedDir, ec);
            std::ofstream(shippedDir / hash, std::ios::binary)
                .write(reinterpret_cast<const char*>(shipped->data()),
                       static_cast<std::streamsize>(shipped->size()));
            shippedNow.push_back(dev::fromUtf8(hash) + u" " + target);
            if (keepUsersFile(target, host, *shipped, hash)) {
                placed.push_back(target);
                return;
            }
        }
        fs::copy_file(scratch.dir / p.name, host, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            ++failures;
            return;
        }
        const std::string lower = lowerAscii(p.name);
        if (lower.ends_with(".exe") || lower.ends_with(".dll"))
            fs::permissions(host,
                            fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                            fs::perm_options::add, ec);
        placed.push_back(target);
    };
    for (const auto& p : d.files)
        place(p, failedFiles);
    for (const auto& s : d.shortcuts)
        place(s, failedShortcuts);
    if (!d.registryKey.empty() &&
        !dev::regCreateKey(dev::RegHive::LocalMachine, dev::fromUtf8(d.registryKey)))
        ++failedKeys;

    // What was installed, for the removal and the next update.
    dev::regDeleteKey(dev::RegHive::LocalMachine, appKey);
    dev::regCreateKey(dev::RegHive::LocalMachine, appKey);
    auto setSz = [&](std::u16string_view name, std::u16string_view value) {
        const auto bytes = sz(value);
        dev::regSetValue(dev::RegHive::LocalMachine, appKey, name, dev::RegType::Sz, bytes.data(),
                         bytes.size());
    };
    setSz(u"InstallDir", installDir);
    setSz(u"Version", dev::fromUtf8(d.version));
    setSz(u"Fingerprint", dev::fromUtf8(cabinetFingerprint(cab)));
    // Where the package came from: programs of a root whose package has left the computer say
    // so instead of running as old copies.
    {
        std::error_code ec;
        const fs::path source = fs::weakly_canonical(fs::absolute(cab, ec), ec);
        setSz(u"Source", ec ? std::u16string() : dev::fromUtf8(source.string()));
    }
    setSz(u"RegistryKey", dev::fromUtf8(d.registryKey));
    setSz(u"SetupLibrary",
          d.setupLibrary.empty() ? u"" : installDir + u"\\" + dev::fromUtf8(d.setupLibrary));
    std::vector<uint8_t> files;
    for (const auto& f : placed) {
        const auto b = sz(f);
        files.insert(files.end(), b.begin(), b.end());
    }
    files.push_back(0);
    files.push_back(0);
    dev::regSetValue(dev::RegHive::LocalMachine, appKey, u"Files", dev::RegType::MultiSz,
                     files.data(), files.size());
    std::vector<uint8_t> shippedList;
    std::set<fs::path> keep;
    for (const auto& e : shippedNow) {
        const auto b = sz(e);
        shippedList.insert(shippedList.end(), b.begin(), b.end());
        keep.insert(shippedDir / dev::toUtf8(e.substr(0, e.find(u' '))));
    }
    shippedList.push_back(0);
    shippedList.push_back(0);
    dev::regSetValue(dev::RegHive::LocalMachine, appKey, u"Shipped", dev::RegType::MultiSz,
                     shippedList.data(), shippedList.size());
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(shippedDir, ec))
        if (!keep.count(e.path()))
            fs::remove(e.path(), ec);

    if (auto exitFn = hook.get<InstallExitFn>(kInstallExitName))
        exitFn(nullptr, installDir.c_str(), failedDirs, failedFiles, failedKeys, 0,
               failedShortcuts);
    if (failedFiles || failedShortcuts || failedKeys)
        return fail(error, "some files could not be placed");
    return true;
}

std::string installedVersion(const std::string& name) {
    const auto v =
        dev::regQueryValue(dev::RegHive::LocalMachine, kAppsKey + dev::fromUtf8(name), u"Version");
    return v ? dev::toUtf8(szOf(*v)) : std::string();
}

std::string cabinetFingerprint(const fs::path& cab) {
    std::ifstream in(cab, std::ios::binary);
    if (!in)
        return {};
    uint64_t h = 1469598103934665603ull; // FNV-1a
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i)
            h = (h ^ static_cast<uint8_t>(buf[i])) * 1099511628211ull;
        if (!in)
            break;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

std::string installedFingerprint(const std::string& name) {
    const auto v = dev::regQueryValue(dev::RegHive::LocalMachine, kAppsKey + dev::fromUtf8(name),
                                      u"Fingerprint");
    return v ? dev::toUtf8(szOf(*v)) : std::string();
}

bool uninstallApplication(const std::string& name, std::string* error) {
    const std::u16string appKey = kAppsKey + dev::fromUtf8(name);
    const auto dir = dev::regQueryValue(dev::RegHive::LocalMachine, appKey, u"InstallDir");
    if (!dir)
        return fail(error, name + " is not installed");
    const std::u16string installDir = szOf(*dir);
    std::vector<std::u16string> files;
    if (const auto f = dev::regQueryValue(dev::RegHive::LocalMachine, appKey, u"Files"))
        files = multiSzOf(*f);

    {
        // The hook is loaded from a copy, so that removing its file cannot disturb it.
        Scratch scratch;
        fs::path hookFile;
        if (const auto lib =
                dev::regQueryValue(dev::RegHive::LocalMachine, appKey, u"SetupLibrary");
            lib && !szOf(*lib).empty() && !scratch.dir.empty()) {
            std::error_code ec;
            hookFile = scratch.dir / "setup.dll";
            fs::copy_file(dev::hostPath(szOf(*lib)), hookFile, ec);
            if (ec)
                hookFile.clear();
        }
        Hook hook(hookFile);
        if (auto init = hook.get<UninstallInitFn>(kUninstallInitName))
            init(nullptr, installDir.c_str());
        for (const auto& f : files)
            dev::deleteFile(f);
        // Folders left empty go too, the install folder's parents up to the program files.
        std::error_code ec;
        // Folders that removing the files left empty go, up to the device's own folders.
        const fs::path rootFolder = dev::current().root();
        const fs::path keep[] = {rootFolder, dev::hostPath(u"\\Windows"),
                                 dev::hostPath(u"\\Program Files")};
        for (const auto& f : files) {
            for (fs::path folder = dev::hostPath(f).parent_path();
                 folder.string().size() > rootFolder.string().size() &&
                 std::find(std::begin(keep), std::end(keep), folder) == std::end(keep);
                 folder = folder.parent_path())
                if (!fs::remove(folder, ec)) // only when empty
                    break;
        }
        fs::path folder = dev::hostPath(installDir);
        const fs::path stop = dev::hostPath(u"\\Program Files");
        while (!folder.empty() && folder != stop && folder.string().size() > stop.string().size()) {
            if (!fs::remove(folder, ec))
                break;
            folder = folder.parent_path();
        }
        if (const auto key = dev::regQueryValue(dev::RegHive::LocalMachine, appKey, u"RegistryKey");
            key && !szOf(*key).empty())
            dev::regDeleteKey(dev::RegHive::LocalMachine, szOf(*key), true);
        if (auto exitFn = hook.get<UninstallExitFn>(kUninstallExitName))
            exitFn(nullptr);
    }
    dev::regDeleteKey(dev::RegHive::LocalMachine, appKey);
    std::error_code ec;
    fs::remove_all(shippedFolder(name), ec);
    return true;
}

} // namespace hv::install
