#include "update.h"

#include "cabinet.h"
#include "clock.h"
#include "config.h"
#include "display.h"
#include "failure.h"
#include "folders.h"
#include "httpget.h"
#include "language.h"
#include "owners.h"
#include "resources.h"
#include "text.h"

#include <array>

#include <wininet.h>

#if !defined(INSTALIO_UPDATE_SERVER_1) || !defined(INSTALIO_UPDATE_SERVER_2) ||                    \
    !defined(INSTALIO_UPDATE_SERVER_3) || !defined(INSTALIO_DOWNLOAD_SERVER_1) ||                  \
    !defined(INSTALIO_DOWNLOAD_SERVER_2)
#error "the five server build settings are missing"
#endif

namespace instalio {

const char* const UpdateServers[3] = {INSTALIO_UPDATE_SERVER_1, INSTALIO_UPDATE_SERVER_2,
                                      INSTALIO_UPDATE_SERVER_3};
const char* const DownloadServers[2] = {INSTALIO_DOWNLOAD_SERVER_1, INSTALIO_DOWNLOAD_SERVER_2};

unsigned long DownloadSilenceMilliseconds = 20000;

namespace {

// The update query of each update server, up to the product value.
const char* const kQueryPaths[3] = {
    "/serial/check_update.php?p=", "/check_update.php?p=", "/serial/check_update.php?p="};

struct Cabinet {
    const char* resource;
    const char* localName;
    double SetupConfiguration::*stamp;
    std::string SetupConfiguration::*serverName;
};

const Cabinet kCabinets[3] = {
    {"LIBRERIAS_VM", "101.cab", &SetupConfiguration::VersionCab1, &SetupConfiguration::NameCab1},
    {"LIBRERIAS", "102.cab", &SetupConfiguration::VersionCab2, &SetupConfiguration::NameCab2},
    {"PROGRAMA", "103.cab", &SetupConfiguration::VersionCab3, &SetupConfiguration::NameCab3},
};

constexpr int kStampDigits = 14;

std::string WorkFolder() {
    return TempFolder() + "Ostrevant\\";
}

void PumpAndPause(int milliseconds) {
    EngineClock().DoEvents();
    EngineClock().Sleep(milliseconds);
}

// A reply that answers the query: not empty, and a number in the user's number notation.
bool IsValidReply(const std::string& reply) {
    double number = 0;
    return !reply.empty() && ParseNumber(reply, number);
}

// The three stamps of a valid reply by position: its first 14 characters, up to 14 from the
// 15th, its last 14. False when one of them is no number (a reply shorter than 15 characters).
bool ReadStamps(const std::string& reply, std::array<double, 3>& stamps) {
    const std::size_t size = reply.size();
    const std::string texts[3] = {
        reply.substr(0, kStampDigits),
        size > kStampDigits ? reply.substr(kStampDigits, kStampDigits) : std::string(),
        size > kStampDigits ? reply.substr(size - kStampDigits) : reply,
    };
    for (int i = 0; i < 3; ++i) {
        if (!ParseNumber(texts[i], stamps[i])) {
            return false;
        }
    }
    return true;
}

// Asks the update servers in turn until one gives a valid reply. False when a request fails.
bool AskUpdateServers(display::InternetTransfer& transfer, std::string& reply) {
    for (int server = 0; server < 3; ++server) {
        std::string url =
            std::string(UpdateServers[server]) + kQueryPaths[server] + SetupConfig.Product;
        if (!transfer.OpenURL(url, reply)) {
            return false;
        }
        if (IsValidReply(reply)) {
            break;
        }
    }
    return true;
}

void DownloadNewerCabinets(display::Surface& form, const std::array<bool, 3>& newer) {
    form.lblSeccion5().SetCaption(GetText("update_download"));
    form.lblUpdateInfo().SetCaption(GetText("update_downloadfile"));
    form.barUpdate().Start(true);
    form.imgUpdate().SetVisible(true);
    form.lblUpdateInfo().SetVisible(true);
    form.barUpdate().SetVisible(true);
    PumpAndPause(2000);
    for (int i = 0; i < 3; ++i) {
        if (newer[i]) {
            DownloadCab(SetupConfig.*kCabinets[i].serverName, kCabinets[i].localName);
        }
        EngineClock().DoEvents();
    }
    form.lblUpdateInfo().SetCaption("");
    form.lblSeccion5().SetCaption(GetText("update_download_complete"));
    form.barUpdate().Start(false);
    PumpAndPause(20000);
    PumpAndPause(2000);
}

// Everything of the update check before section 6. False when a failure cut it short.
bool LookForNewerCabinets(display::Surface& form) {
    form.lblSeccion5().SetCaption(GetText("section_6"));
    form.lblUpdateInfo().SetCaption("");
    form.lblTooltip().SetCaption(GetText("tooltip_wait"));
    ExtractCabResources();
    if (!form.chkUpdate().Checked()) {
        return true;
    }

    form.lblSeccion5().SetCaption(GetText("update_search"));
    form.lblUpdateInfo().SetCaption("");
    form.lblTooltip().SetCaption(GetText("tooltip_wait"));
    std::string reply;
    if (!AskUpdateServers(form.WebTransfer(), reply)) {
        return false;
    }
    if (!IsValidReply(reply)) {
        form.lblSeccion5().SetCaption(GetText("update_noconnection"));
        PumpAndPause(2000);
        return true;
    }

    std::array<double, 3> stamps{};
    if (!ReadStamps(reply, stamps)) {
        return false;
    }
    std::array<bool, 3> newer{};
    bool anyNewer = false;
    for (int i = 0; i < 3; ++i) {
        newer[i] = SetupConfig.*kCabinets[i].stamp < stamps[i];
        anyNewer = anyNewer || newer[i];
    }
    if (!anyNewer) {
        form.lblSeccion5().SetCaption(GetText("update_nodownload"));
        PumpAndPause(2000);
        PumpAndPause(2000);
        return true;
    }
    DownloadNewerCabinets(form, newer);
    return true;
}

// Downloads `url` afresh into `file`. True when the server sent the whole file with a success
// status and it is a whole cabinet. A server that sends nothing for DownloadSilenceMilliseconds
// ends the download as failed.
bool FetchCabinet(const std::string& url, const std::string& file) {
    DeleteUrlCacheEntryA(url.c_str());
    DWORD status = 0;
    DWORD error = ERROR_SUCCESS;
    {
        ScopedHandle out(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out.valid()) {
            return false;
        }
        error = HttpGet(
            url, DownloadSilenceMilliseconds,
            [&](const char* data, DWORD size) {
                DWORD written = 0;
                return WriteFile(out.get(), data, size, &written, nullptr) && written == size;
            },
            status);
    }
    return error == ERROR_SUCCESS && status >= 200 && status <= 299 && IsWholeCabinet(file);
}

} // namespace

void ExtractCabResources() {
    const std::string folder = WorkFolder();
    EngineClock().DoEvents();
    if (!CreateRealDirectory(folder)) {
        return;
    }
    for (const Cabinet& cabinet : kCabinets) {
        SaveResource(cabinet.resource, "ARCHIVOS", folder + cabinet.localName);
        EngineClock().DoEvents();
    }
}

void DownloadCab(const std::string& serverName, const std::string& localName) {
    const std::string folder = WorkFolder();
    if (!CreateRealDirectory(folder)) {
        return;
    }
    const std::string cabinet = folder + localName;
    const std::string download = cabinet + ".download";
    for (const char* server : DownloadServers) {
        DeleteFileA(download.c_str());
        if (FetchCabinet(std::string(server) + "/downloads/cabs/" + serverName, download)) {
            MoveFileExA(download.c_str(), cabinet.c_str(), MOVEFILE_REPLACE_EXISTING);
            break;
        }
    }
    DeleteFileA(download.c_str());
}

void CheckForUpdates() {
    display::Surface& form = *frmMain;
    if (LookForNewerCabinets(form)) {
        try {
            form.DibujarSeccion(Section::Install);
            return;
        } catch (const RunTimeFailure&) {
            // The installation failed: it is shown, and so run, once more.
        }
    }
    form.DibujarSeccion(Section::Install);
}

} // namespace instalio
