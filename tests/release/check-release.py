#!/usr/bin/env python3
"""Builds the release twice from nothing, with a made-up download address (no network), and checks what it
publishes, then what a release without an address, or with one that lacks the version, does.

usage: check-release.py SOURCE_DIR PRESET  (RESOLVO_VERSION_TEXT comes from the build.)
"""

from __future__ import annotations

import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile
from dataclasses import dataclass
from pathlib import Path

import yaml

SCHEMA = "1.10.0"
ADDRESS = "https://downloads.resolvo.invalid/releases/v{version}/resolvo-{version}-win32.zip"
SIGNING = ("RESOLVO_SIGN_PKCS12", "RESOLVO_SIGN_PASSWORD_FILE", "RESOLVO_SIGN_TIMESTAMP_URL", "RESOLVO_RELEASE_URL")

# The schema's patterns, as winget's manifest schema 1.10.0 gives them.
IDENTIFIER = r"^[^\.\s\\/:\*\?\"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?\"<>\|\x01-\x1f]{1,32}){1,7}$"
VERSION = r"^[^\\/:\*\?\"<>\|\x01-\x1f]+$"
LOCALE = r"^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$"
URL = r"^([Hh][Tt][Tt][Pp][Ss]?)://.+$"


@dataclass(frozen=True)
class Field:
    """A string field the release sets, within the schema's limits (those pinned to exact values below left out)."""
    manifest: str
    field: str
    pattern: str = ""
    min_length: int = 0
    max_length: int = 0


FIELDS = [
    Field("version", "PackageIdentifier", IDENTIFIER, max_length=128),
    Field("version", "PackageVersion", VERSION, max_length=128),
    Field("version", "DefaultLocale", LOCALE, max_length=20),
    Field("defaultLocale", "PackageLocale", LOCALE, max_length=20),
    Field("defaultLocale", "Publisher", min_length=2, max_length=256),
    Field("defaultLocale", "PackageName", min_length=2, max_length=256),
    Field("defaultLocale", "License", min_length=3, max_length=512),
    Field("defaultLocale", "ShortDescription", min_length=3, max_length=256),
    Field("defaultLocale", "PublisherUrl", URL, max_length=2048),
    Field("defaultLocale", "PackageUrl", URL, max_length=2048),
    Field("defaultLocale", "Copyright", min_length=3, max_length=512),
    Field("defaultLocale", "Description", min_length=3, max_length=10000),
    Field("defaultLocale", "Moniker", min_length=1, max_length=40),
]

failures = 0


def check(what: str, holds: bool) -> None:
    global failures
    print(f"{'ok:  ' if holds else 'FAIL:'} {what}")
    failures += not holds


def build(source: Path, preset: str, folder: Path, address: str) -> subprocess.CompletedProcess:
    environment = {name: value for name, value in os.environ.items() if name not in SIGNING}
    configure = subprocess.run(
        ["cmake", "-S", source, "--preset", preset, "-B", folder, "-D", "RESOLVO_SIGN_PKCS12=",
         "-D", "RESOLVO_SIGN_PASSWORD_FILE=", "-D", f"RESOLVO_RELEASE_URL={address}"],
        env=environment, capture_output=True, text=True)
    if configure.returncode != 0:
        return configure
    return subprocess.run(["cmake", "--build", folder, "--target", "release"], env=environment,
                          capture_output=True, text=True)


def mapping(load, data: bytes, what: str) -> dict:
    """The document as a mapping, or an empty one where it is none, which fails a check."""
    try:
        document = load(data.decode("utf-8"))
    except (ValueError, yaml.YAMLError):
        document = None
    check(f"{what} parses as a mapping", isinstance(document, dict))
    return document if isinstance(document, dict) else {}


def files_of(release: Path) -> dict[str, bytes]:
    return {str(path.relative_to(release)): path.read_bytes() for path in sorted(release.rglob("*")) if path.is_file()}


def check_release(release: Path, version: str) -> None:
    files = files_of(release)
    # The names the program's version record gives (tests/resources/ reads them back).
    publisher, name = os.environ["RESOLVO_COMPANY_NAME"], os.environ["RESOLVO_PRODUCT_NAME"].split(" ")[0]
    identifier = f"{publisher}.{name}"
    folder = f"manifests/{publisher[0].lower()}/{publisher}/{name}/{version}"
    zip_name = f"resolvo-{version}-win32.zip"
    manifest_files = {kind: f"{folder}/{identifier}{suffix}.yaml" for kind, suffix in
                      (("version", ""), ("defaultLocale", ".locale.en-US"), ("installer", ".installer"))}
    expected = sorted([zip_name, "resolvo.exe", "SHA256SUMS", "resolvo.json", *manifest_files.values()])
    check(f"the release holds {', '.join(expected)}", sorted(files) == expected)
    if sorted(files) != expected:
        return

    zip_sum = hashlib.sha256(files[zip_name]).hexdigest()
    exe_sum = hashlib.sha256(files["resolvo.exe"]).hexdigest()
    with zipfile.ZipFile(release / zip_name) as download:
        check("the release's resolvo.exe is the download's", download.read("resolvo.exe") == files["resolvo.exe"])
    check("SHA256SUMS gives both files' sums, as sha256sum writes them",
          files["SHA256SUMS"].decode() == f"{zip_sum}  {zip_name}\n{exe_sum}  resolvo.exe\n")

    manifests = {}
    for kind, file in manifest_files.items():
        manifest = manifests[kind] = mapping(yaml.safe_load, files[file], f"the {kind} manifest")
        check(f"the {kind} manifest names schema {SCHEMA} and its type",
              f"winget-manifest.{kind}.{SCHEMA}.schema.json".encode() in files[file]
              and manifest.get("ManifestVersion") == SCHEMA and manifest.get("ManifestType") == kind)
        check(f"the {kind} manifest gives version {version} of {identifier}",
              manifest.get("PackageVersion") == version and manifest.get("PackageIdentifier") == identifier)
    for row in FIELDS:
        value = manifests[row.manifest].get(row.field)
        check(f"{row.manifest}: {row.field} is there, as the schema types it ({value!r})",
              isinstance(value, str) and row.min_length <= len(value) <= (row.max_length or len(value))
              and re.search(row.pattern, value) is not None)

    installer, installers = manifests["installer"], manifests["installer"].get("Installers")
    item = installers[0] if isinstance(installers, list) and installers and isinstance(installers[0], dict) else {}
    address = ADDRESS.replace("{version}", version)
    check("one installer, a mapping, for x86", len(installers or []) == 1 and item.get("Architecture") == "x86")
    check(f"the installer is the zip, at {address}", installer.get("InstallerType") == "zip"
          and item.get("InstallerUrl") == address)
    check("the installer's SHA-256 is the zip's", str(item.get("InstallerSha256")).lower() == zip_sum)
    check("the zip holds resolvo.exe as a portable program, called resolvo",
          installer.get("NestedInstallerType") == "portable"
          and installer.get("NestedInstallerFiles") == [{"RelativeFilePath": "resolvo.exe",
                                                         "PortableCommandAlias": "resolvo"}])
    check("no manifest sets ElevationRequirement",
          all("ElevationRequirement" not in m for m in [installer, item]))
    locale = manifests["defaultLocale"]
    check(f"the publisher and name are the program's ({publisher}, {name})",
          locale.get("Publisher") == publisher and locale.get("PackageName") == name)

    scoop = mapping(json.loads, files["resolvo.json"], "resolvo.json")
    check(f"Scoop: version {version}, the zip's address and SHA-256",
          scoop.get("version") == version and scoop.get("url") == address and scoop.get("hash") == zip_sum)
    check("Scoop: resolvo.exe on the path and in the Start menu, as the product",
          scoop.get("bin") == "resolvo.exe" and scoop.get("shortcuts") == [["resolvo.exe", name]])
    check("Scoop: the same description, page and licence as winget's",
          (scoop.get("description"), scoop.get("homepage"), scoop.get("license"))
          == (locale.get("ShortDescription"), locale.get("PackageUrl"), locale.get("License")))


def main() -> int:
    source, preset = Path(sys.argv[1]), sys.argv[2]
    version = os.environ["RESOLVO_VERSION_TEXT"]
    with tempfile.TemporaryDirectory(prefix="resolvo-release.") as scratch:
        first, second = Path(scratch, "one", "build"), Path(scratch, "two", "deeper", "build")
        for folder in (first, second):
            made = build(source, preset, folder, ADDRESS)
            if made.returncode != 0:
                print(made.stdout, made.stderr)
                check(f"the release builds in {folder}", False)
                return 1
        check_release(first / "release", version)
        one, two = files_of(first / "release"), files_of(second / "release")
        check("a second build in another folder gives the same release, byte for byte", one == two)

        unaddressed = build(source, preset, second, "")
        said = [line for line in unaddressed.stdout.splitlines() if "RESOLVO_RELEASE_URL" in line]
        left = files_of(second / "release")
        check("without an address the release says so in one line", unaddressed.returncode == 0 and len(said) == 1)
        check("without an address the release holds everything but the manifests",
              left == {path: data for path, data in one.items() if path.endswith((".zip", ".exe", "SHA256SUMS"))})

        refused = build(source, preset, second, "https://downloads.resolvo.invalid/resolvo-win32.zip")
        check("an address without {version} is refused, and says what it needs",
              refused.returncode != 0 and "{version}" in refused.stderr)
        check("the refused address leaves the release as it was", files_of(second / "release") == left)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
