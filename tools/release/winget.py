#!/usr/bin/env python3
"""winget.py <texts> <zip> <download URL> <release date> <output folder>

Writes the winget manifests (1.12.0, the community repository's layout) of a release zip:
<output>/manifests/v/<publisher>/<package>/<version>/ with the version, installer and default
locale manifests. <texts> is what `packdat --texts` printed: the setup's own product texts and
licence. The zip holds the medium's folder, so winget is told which file inside it to run.
Everything comes from the arguments: the same inputs give the same bytes.
"""
import hashlib
import os
import sys

import yaml

from pairs import read_pairs

MANIFEST_VERSION = "1.12.0"
SCHEMA = "https://aka.ms/winget-manifest.{}.1.12.0.schema.json"


class Dumper(yaml.SafeDumper):
    """Texts of several lines (the licence) as literal blocks, readable as they are shown."""


Dumper.add_representer(str, lambda dumper, text: dumper.represent_scalar(
    "tag:yaml.org,2002:str", text, style="|" if "\n" in text else None))


def write(path, kind, manifest):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("# yaml-language-server: $schema={}\n\n".format(SCHEMA.format(kind)))
        yaml.dump(manifest, out, Dumper=Dumper, sort_keys=False, allow_unicode=True, width=100)


def main(texts_path, zip_path, url, date, output):
    texts = read_pairs(texts_path)
    one = lambda name: texts[name][0]
    publisher, product, version = one("Publisher"), one("DisplayName"), one("DisplayVersion")
    package = product[len(publisher):].strip().replace(" ", "") if product.startswith(publisher) else product
    identifier = "{}.{}".format(publisher, package.replace(" ", ""))
    medium = os.path.basename(zip_path)[: -len(".zip")]
    with open(zip_path, "rb") as archive:
        sha256 = hashlib.sha256(archive.read()).hexdigest().upper()
    folder = os.path.join(output, "manifests", identifier[0].lower(), publisher, package, version)
    os.makedirs(folder)
    head = {"PackageIdentifier": identifier, "PackageVersion": version}
    tail = {"ManifestVersion": MANIFEST_VERSION}

    write(os.path.join(folder, identifier + ".yaml"), "version",
          {**head, "DefaultLocale": "en-US", "ManifestType": "version", **tail})

    write(os.path.join(folder, identifier + ".installer.yaml"), "installer", {
        **head,
        "InstallerType": "zip",
        "NestedInstallerType": "exe",
        "NestedInstallerFiles": [{"RelativeFilePath": medium + "\\Setup.exe"}],
        "Scope": "machine",
        "InstallModes": ["interactive", "silent", "silentWithProgress"],
        "InstallerSwitches": {
            "Silent": "/SILENT",
            "SilentWithProgress": "/SILENT",
            "InstallLocation": '/DIR="<INSTALLPATH>"',
            "Log": '/LOG="<LOGPATH>"',
        },
        # The setup's own exit codes besides 0; 1603 is any other failure, as winget takes it.
        "ExpectedReturnCodes": [
            {"InstallerReturnCode": 1618, "ReturnResponse": "installInProgress"},
            {"InstallerReturnCode": 1639, "ReturnResponse": "invalidParameter"},
            {"InstallerReturnCode": 3010, "ReturnResponse": "rebootRequiredToFinish"},
            {"InstallerReturnCode": 1638, "ReturnResponse": "downgrade"},
        ],
        "UpgradeBehavior": "install",
        "AppsAndFeaturesEntries": [{
            "DisplayName": product,
            "Publisher": publisher,
            "DisplayVersion": version,
            "ProductCode": one("ProductCode"),
        }],
        "ReleaseDate": date,
        "Installers": [{"Architecture": "x86", "InstallerUrl": url, "InstallerSha256": sha256}],
        "ManifestType": "installer",
        **tail,
    })

    licence = "\n".join(texts["License"]).strip("\n")
    servers = texts["Server"]
    write(os.path.join(folder, identifier + ".locale.en-US.yaml"), "defaultLocale", {
        **head,
        "PackageLocale": "en-US",
        "Publisher": publisher,
        "PackageName": product,
        "License": texts["License"][0],
        "Copyright": one("Copyright"),
        "ShortDescription": "{} {}: {} and {} as Windows services".format(
            product, version, ", ".join(servers[:-1]), servers[-1]),
        # Installing without a person accepts the licence, so winget shows it first.
        "Agreements": [{"AgreementLabel": "Software License Agreement", "Agreement": licence}],
        "ManifestType": "defaultLocale",
        **tail,
    })
    print(folder)


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    main(*sys.argv[1:])
