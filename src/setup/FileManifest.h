#pragma once
// What the suite consists of and where each file goes, and the copying step of the install:
// the folder tree is created and every file is copied from the unpacked archive into place.
// The first failure stops the step with its error box. Where the context has a keeper, each
// file that stands in the way is kept aside first (see Upgrade.h).
#include <array>
#include <functional>
#include <string>

#include "setup/InstallContext.h"
#include "setup/Progress.h"
#include "setup/Steps.h"

namespace setup {

// Copied in this order into DestinationFolder; the uninstall deletes by the same table.
inline constexpr std::array<const char*, 13> ProgramFiles = {
    "smtp.exe",  "pop3.exe",  "control.exe", "config.exe",   "readme.txt", "update.txt", "default.ini",
    "vorna.hlp", "vorna.cnt", "vorna.rtf",   "dnsquery.exe", "users.exe",  "notify.exe",
};

// Copied in this order into DestinationFolder + "html\".
inline constexpr std::array<const char*, 27> HtmlFiles = {
    "about.html",      "accountlist.html", "accounts.html",  "delivery.html",   "domainadd.html",
    "domainedit.html", "execadd.html",     "execedit.html",  "failure.html",    "logs.html",
    "mailadd.html",    "mailedit.html",    "options.html",   "remoteadd.html",  "remoteedit.html",
    "security.html",   "self.html",        "smsadd.html",    "smsedit.html",    "success.html",
    "system.html",     "useradd.html",     "useredit.html",  "outgoing.html",   "userbox.html",
    "script.js",       "styles.css",
};

inline constexpr const char* kHtmlFolder = "html\\";
inline constexpr const char* kImagesFolder = "images\\";
inline constexpr const char* kImagePattern = "*.gif";

// Calls visit(name) for each image in folder: a file of any attributes whose own name ends in
// ".gif". The search pattern alone also matches a name such as "a.gifx" through its short alias.
void ForEachImage(const std::string& folder, const std::function<void(const std::string& name)>& visit);
inline constexpr const char* kAppletName = "VORNA.CPL";

// Creates DestinationFolder with every missing folder above it, then its "html\" and
// "html\images\" folders. A DestinationFolder made here is for SYSTEM and Administrators, and
// Users may read and run what is inside; one that was there keeps its access list.
StepResult CreateFolders(const InstallContext& context);

// Reports "Copying File '<destination><name>'..." and copies sourceFolder + name over
// destinationFolder + name.
StepResult CopyOneFile(ProgressReport& progress, const std::string& name, const std::string& sourceFolder,
                       const std::string& destinationFolder);

// Reports the copy of the unpacked file name into destinationFolder and makes it, from the held
// file where the context holds the unpacked files (a name the archive lacked fails as a missing
// file), else from ExtractFolder.
StepResult CopyUnpackedFile(ProgressReport& progress, const InstallContext& context, const std::string& name,
                            const std::string& destinationFolder);

// Copies every image of ExtractFolder (that the archive held, where the context holds
// the unpacked files) into the images folder, in file-system order.
StepResult CopyImages(ProgressReport& progress, const InstallContext& context);

// Program files, web files, images, the running setup program itself, then the applet into
// SystemFolder.
StepResult CopyAllFiles(ProgressReport& progress, const InstallContext& context);

// The size in KB (rounded up) of the installed files that are there: program and web files,
// images, the setup program's copy and the applet.
DWORD InstalledSizeKb(ProgressReport& progress, const InstallContext& context);

// "Directory could not be created: " with the system's message for the last error.
StepResult ReportDirectoryError();

}  // namespace setup
