#!/usr/bin/env python3
"""sbom.py <facts> <texts> <medium folder> <zip> <output .cdx.json>

Writes the CycloneDX 1.6 bill of materials of a release: the medium as the described component,
Setup.exe and Setup.Dat with the hashes of the files as shipped, each member of Setup.Dat by
name and hash, the runtime parts linked into Setup.exe with the versions of the toolchain that
built them, and the system DLLs it imports as what Windows provides.

<facts> holds "name<TAB>value" lines that release.sh read from the toolchain and the built
program: gcc, mingw-w64, winpthreads (versions), compiler (how the compiler names itself),
import (a DLL in the import table), epoch (SOURCE_DATE_EPOCH), url (optional).
The delay-imported DLLs are read from Setup.exe here. No time of day goes in: the same inputs
give the same bytes, and the serial number is made from them.
"""
import hashlib
import json
import os
import re
import struct
import sys
import time
import uuid

from pairs import read_pairs

GCC_RUNTIME_LICENCE = "GPL-3.0-or-later WITH GCC-exception-3.1"


def hashes(data, sha512=True):
    found = [{"alg": "SHA-256", "content": hashlib.sha256(data).hexdigest()}]
    if sha512:
        found.append({"alg": "SHA-512", "content": hashlib.sha512(data).hexdigest()})
    return found


def members(archive):
    """Setup.Dat's members in order: a length byte, a 255-byte name field and a 32-bit size,
    then the data."""
    found, offset = [], 0
    while offset < len(archive):
        if offset + 260 > len(archive):
            raise ValueError("Setup.Dat ends inside a member header")
        length = archive[offset]
        name = archive[offset + 1:offset + 1 + length].decode("latin-1")
        size = struct.unpack_from("<I", archive, offset + 256)[0]
        start = offset + 260
        if start + size > len(archive):
            raise ValueError("Setup.Dat ends inside " + name)
        found.append((name, archive[start:start + size]))
        offset = start + size
    return found


def delay_imports(program):
    """The DLLs named by the program's delay-import descriptors. The linker leaves the data
    directory's delay-import entry empty for these, so the descriptors are found by their shape:
    RVA-based attributes, a name that is a DLL's, and module handle and address tables inside
    the image."""
    pe = struct.unpack_from("<I", program, 0x3C)[0]
    sections = struct.unpack_from("<H", program, pe + 6)[0]
    optional = struct.unpack_from("<H", program, pe + 20)[0]
    table = pe + 24 + optional
    spans = []
    for i in range(sections):
        virtual_size, rva, raw_size, raw = struct.unpack_from("<IIII", program, table + 40 * i + 8)
        spans.append((rva, max(virtual_size, raw_size), raw, raw_size))

    def at(rva):
        for start, size, raw, raw_size in spans:
            if start <= rva < start + size:
                return raw + rva - start if rva - start < raw_size else None
        return None

    names = set()
    for start, size, raw, raw_size in spans:
        for offset in range(raw, raw + raw_size - 32, 4):
            attrs, name, module, iat, names_table, _, _, stamp = struct.unpack_from("<8I", program, offset)
            if attrs != 1 or stamp != 0 or None in (at(module), at(iat), at(names_table)):
                continue
            where = at(name)
            if where is None:
                continue
            text = program[where:where + 64].split(b"\0")[0].decode("latin-1")
            if re.fullmatch(r"[A-Za-z0-9_-]+\.dll", text, re.IGNORECASE):
                names.add(text.lower())
    return sorted(names)


def main(facts_path, texts_path, medium, zip_path, output):
    facts, texts = read_pairs(facts_path), read_pairs(texts_path)
    fact = lambda name: facts[name][0]
    text = lambda name: texts[name][0]
    product, publisher, version = text("DisplayName"), text("Publisher"), text("DisplayVersion")
    name = os.path.basename(medium.rstrip("/"))
    with open(os.path.join(medium, "Setup.exe"), "rb") as f:
        program = f.read()
    with open(os.path.join(medium, "Setup.Dat"), "rb") as f:
        archive = f.read()
    with open(zip_path, "rb") as f:
        medium_zip = f.read()
    supplier = {"name": publisher}

    runtime = [
        ("libstdc++", fact("gcc"), GCC_RUNTIME_LICENCE, "GCC's C++ runtime"),
        ("libgcc", fact("gcc"), GCC_RUNTIME_LICENCE, "GCC's support library"),
        ("mingw-w64-crt", fact("mingw-w64"), "ZPL-2.1", "the mingw-w64 C runtime start-up and extensions"),
        ("winpthreads", fact("winpthreads"), "MIT AND BSD-3-Clause", "the mingw-w64 POSIX threads library"),
    ]
    linked = [{
        "type": "library",
        "bom-ref": "linked:" + part,
        "name": part,
        "version": part_version,
        "description": "Statically linked into Setup.exe: " + what,
        "scope": "required",
        "licenses": [{"expression": licence}],
        "properties": [{"name": "vorna:linkage", "value": "static"},
                       {"name": "vorna:compiler", "value": fact("compiler")}],
    } for part, part_version, licence, what in runtime]

    dlls = sorted(set(dll.lower() for dll in facts.get("import", [])) | set(delay_imports(program)))
    system = [{
        "type": "library",
        "bom-ref": "windows:" + dll,
        "name": dll,
        "description": "A system DLL that Windows provides; not shipped",
        "properties": [{"name": "vorna:provided-by", "value": "Windows"}],
    } for dll in dlls]

    member_components = [{
        "type": "file",
        "bom-ref": "member:" + member,
        "name": member,
        "hashes": hashes(data, sha512=False),
    } for member, data in members(archive)]

    described = {
        "type": "application",
        "bom-ref": "medium",
        "supplier": supplier,
        "publisher": publisher,
        "name": product + " Setup",
        "version": version,
        "description": "The installation medium " + name + ": Setup.exe beside Setup.Dat",
        "copyright": text("Copyright"),
        "licenses": [{"license": {"name": texts["License"][0]}}],
        "hashes": hashes(medium_zip),
    }
    if facts.get("url"):
        described["externalReferences"] = [{"type": "distribution", "url": fact("url")}]
    bom = {
        "bomFormat": "CycloneDX",
        "specVersion": "1.6",
        "version": 1,
        "metadata": {
            "timestamp": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(int(fact("epoch")))),
            "lifecycles": [{"phase": "build"}],
            "component": described,
        },
        "components": [
            {
                "type": "application",
                "bom-ref": "Setup.exe",
                "supplier": supplier,
                "name": "Setup.exe",
                "version": version,
                "description": "The installer and uninstaller, 32-bit x86 Windows",
                "hashes": hashes(program),
                "components": linked,
            },
            {
                "type": "data",
                "bom-ref": "Setup.Dat",
                "supplier": supplier,
                "name": "Setup.Dat",
                "version": version,
                "description": "The payload archive that Setup.exe installs",
                "hashes": hashes(archive),
                "components": member_components,
            },
            {
                "type": "operating-system",
                "bom-ref": "windows",
                "name": "Windows",
                "description": "Provides the DLLs Setup.exe imports; not shipped",
                "components": system,
            },
        ],
        "dependencies": [
            {"ref": "medium", "dependsOn": ["Setup.exe", "Setup.Dat"]},
            {"ref": "Setup.exe", "dependsOn": [c["bom-ref"] for c in linked] + [c["bom-ref"] for c in system]},
        ],
    }
    # The serial number is the content's own: the same bill of materials gets the same one.
    content = json.dumps(bom, sort_keys=True).encode()
    bom = {"bomFormat": bom.pop("bomFormat"), "specVersion": bom.pop("specVersion"),
           "serialNumber": uuid.uuid5(uuid.NAMESPACE_URL, hashlib.sha256(content).hexdigest()).urn, **bom}
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        json.dump(bom, out, indent=2)
        out.write("\n")


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    main(*sys.argv[1:])
