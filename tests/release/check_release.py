#!/usr/bin/env python3
"""check_release.py <schemas folder> <release folder> <download URL>

Checks a release's winget manifests and bill of materials: each validates against its schema
(winget 1.12.0, CycloneDX 1.6), and they say what the release holds: the zip's URL and hash,
the nested Setup.exe, the switches and return codes; the shipped files' and the members' hashes,
and the toolchain's versions as Debian's packages of it give them."""
import glob
import hashlib
import json
import os
import subprocess
import sys
import warnings

import jsonschema
import yaml

schemas, release, url = sys.argv[1:4]
# Newer jsonschema calls RefResolver deprecated; Debian 12's has nothing else.
warnings.filterwarnings("ignore", category=DeprecationWarning)
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def load_schema(path):
    with open(path) as f:
        return json.load(f)


def validate(document, schema, store, what):
    resolver = jsonschema.RefResolver.from_schema(schema, store=store)
    errors = sorted(jsonschema.Draft7Validator(schema, resolver=resolver).iter_errors(document), key=str)
    for error in errors[:5]:
        failures.append("{}: {} at {}".format(what, error.message, list(error.absolute_path)))


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def package_version(package):
    version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True).stdout
    return version.split(":")[-1].split("-")[0]


medium = glob.glob(os.path.join(release, "vorna-setup-*.zip"))[0][: -len(".zip")]
name = os.path.basename(medium)

# The winget manifests.
folder = os.path.join(release, "winget", "manifests", "v", "VORNA", "MailServer", "2.10.255")
kinds = {"VORNA.MailServer.yaml": "version", "VORNA.MailServer.installer.yaml": "installer",
         "VORNA.MailServer.locale.en-US.yaml": "defaultLocale"}
check(sorted(os.listdir(folder)) == sorted(kinds), "manifest files: {}".format(os.listdir(folder)))
manifests = {}
for file, kind in kinds.items():
    with open(os.path.join(folder, file)) as f:
        manifests[kind] = yaml.safe_load(f)
    schema = load_schema(os.path.join(schemas, "winget-1.12.0", "manifest.{}.1.12.0.json".format(kind)))
    validate(manifests[kind], schema, {}, file)
    check(manifests[kind]["PackageIdentifier"] == "VORNA.MailServer", file + ": identifier")
    check(manifests[kind]["ManifestType"] == kind and manifests[kind]["ManifestVersion"] == "1.12.0", file + ": type")
installer = manifests["installer"]
check(installer["InstallerType"] == "zip" and installer["NestedInstallerType"] == "exe", "installer types")
check(installer["NestedInstallerFiles"] == [{"RelativeFilePath": name + "\\Setup.exe"}], "nested installer")
check(installer["Scope"] == "machine", "scope")
check([(i["InstallerUrl"], i["InstallerSha256"].lower()) for i in installer["Installers"]] ==
      [(url, sha256(medium + ".zip"))], "installer URL and hash: {}".format(installer["Installers"]))
check(installer["InstallerSwitches"] == {"Silent": "/SILENT", "SilentWithProgress": "/SILENT",
                                         "InstallLocation": '/DIR="<INSTALLPATH>"', "Log": '/LOG="<LOGPATH>"'},
      "switches: {}".format(installer["InstallerSwitches"]))
check({(c["InstallerReturnCode"], c["ReturnResponse"]) for c in installer["ExpectedReturnCodes"]} ==
      {(1618, "installInProgress"), (1639, "invalidParameter"), (3010, "rebootRequiredToFinish"), (1638, "downgrade")},
      "return codes")
check(installer["AppsAndFeaturesEntries"] == [{"DisplayName": "VORNA Mail Server", "Publisher": "VORNA",
                                               "DisplayVersion": "2.10.255", "ProductCode": "Vorna"}],
      "entry: {}".format(installer["AppsAndFeaturesEntries"]))
check("GRANT OF LICENSE" in manifests["defaultLocale"]["Agreements"][0]["Agreement"], "the licence text")

# The bill of materials.
with open(medium + ".cdx.json") as f:
    bom = json.load(f)
cdx = os.path.join(schemas, "cyclonedx-1.6")
store = {n: load_schema(os.path.join(cdx, n)) for n in ("spdx.schema.json", "jsf-0.82.schema.json")}
validate(bom, load_schema(os.path.join(cdx, "bom-1.6.schema.json")), store, "bill of materials")
parts = {c["name"]: c for c in bom["components"]}
for file in ("Setup.exe", "Setup.Dat"):
    got = {h["alg"]: h["content"] for h in parts[file]["hashes"]}
    check(got.get("SHA-256") == sha256(os.path.join(medium, file)), file + ": SHA-256 is not the shipped file's")
    check(len(got.get("SHA-512", "")) == 128, file + ": no SHA-512")
members = parts["Setup.Dat"]["components"]
payload = os.path.join(os.path.dirname(release), "payload")
check(sorted(m["name"] for m in members) == sorted(os.listdir(payload)), "members: not the payload's files")
for member in members:
    check(member["hashes"][0]["content"] == sha256(os.path.join(payload, member["name"])), member["name"] + ": hash")
linked = {c["name"]: c for c in parts["Setup.exe"]["components"]}
gcc, mingw = package_version("g++-mingw-w64-i686-posix"), package_version("mingw-w64-i686-dev")
check(linked["libstdc++"]["version"] == gcc and linked["libgcc"]["version"] == gcc,
      "GCC runtime {} is not the compiler's {}".format(linked["libstdc++"]["version"], gcc))
check(linked["mingw-w64-crt"]["version"] == mingw, "mingw-w64 {} is not {}".format(linked["mingw-w64-crt"]["version"], mingw))
check(all(c["licenses"][0]["expression"] for c in linked.values()), "a linked part without its licence")
check(linked["winpthreads"]["version"].count(".") == 2, "winpthreads version")
system = {c["name"] for c in parts["Windows"]["components"]}
check({"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll"} <= system, "system DLLs: {}".format(system))
described = bom["metadata"]["component"]
check(described["hashes"][0]["content"] == sha256(medium + ".zip"), "the medium's hash is not the zip's")
check(described["externalReferences"][0]["url"] == url, "the medium's download URL")

for failure in failures:
    print("FAIL: " + failure, file=sys.stderr)
sys.exit(1 if failures else 0)
