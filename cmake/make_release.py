#!/usr/bin/env python3
"""Writes a release from the download: a copy of the zip and of its program,
their SHA-256 sums in the form `sha256sum -c` reads, and, where the download's
address is known, winget's three manifests and Scoop's manifest.

usage: make_release.py INFO.json ZIP EXE RELEASE_DIR

INFO.json (made by cmake/Release.cmake) names the publisher, product, version,
licence, descriptions, page, program and the address pattern, which is empty
when no address was given. The same files always give the same bytes: the
manifests hold nothing of the machine, the time or the folders.
"""

from __future__ import annotations

import hashlib
import json
import shutil
import sys
from pathlib import Path

# The winget manifest schema written; every file names it.
WINGET_SCHEMA = "1.10.0"
WINGET_LOCALE = "en-US"


def sha256(path: Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def yaml_text(value: str) -> str:
    # A JSON string is a double-quoted YAML scalar: no character of a name or
    # description can then be read as YAML syntax.
    return json.dumps(value, ensure_ascii=False)


def yaml_document(schema: str, lines: list[str]) -> str:
    header = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{schema}.{WINGET_SCHEMA}.schema.json\n\n"
    return header + "".join(f"{line}\n" for line in lines)


def winget_manifests(info: dict, url: str, zip_sum: str) -> dict[str, str]:
    """The version, default-locale and installer manifests, by file name."""
    identifier = f"{info['publisher']}.{info['name']}"
    common = [f"PackageIdentifier: {yaml_text(identifier)}", f"PackageVersion: {yaml_text(info['version'])}"]
    version = common + [
        f"DefaultLocale: {WINGET_LOCALE}",
        "ManifestType: version",
        f"ManifestVersion: {WINGET_SCHEMA}",
    ]
    locale = common + [
        f"PackageLocale: {WINGET_LOCALE}",
        f"Publisher: {yaml_text(info['publisher'])}",
        f"PublisherUrl: {yaml_text(info['homepage'])}",
        f"PackageName: {yaml_text(info['name'])}",
        f"PackageUrl: {yaml_text(info['homepage'])}",
        f"License: {yaml_text(info['license'])}",
        f"Copyright: {yaml_text(info['copyright'])}",
        f"ShortDescription: {yaml_text(info['short_description'])}",
        f"Description: {yaml_text(info['description'])}",
        f"Moniker: {yaml_text(info['command'])}",
        "ManifestType: defaultLocale",
        f"ManifestVersion: {WINGET_SCHEMA}",
    ]
    # No ElevationRequirement: the program's own manifest asks Windows for
    # administrator rights when it starts, not when it is installed.
    installer = common + [
        "InstallerType: zip",
        "NestedInstallerType: portable",
        "NestedInstallerFiles:",
        f"- RelativeFilePath: {yaml_text(info['program'])}",
        f"  PortableCommandAlias: {yaml_text(info['command'])}",
        "Installers:",
        "- Architecture: x86",
        f"  InstallerUrl: {yaml_text(url)}",
        f"  InstallerSha256: {yaml_text(zip_sum.upper())}",
        "ManifestType: installer",
        f"ManifestVersion: {WINGET_SCHEMA}",
    ]
    return {
        f"{identifier}.yaml": yaml_document("version", version),
        f"{identifier}.locale.{WINGET_LOCALE}.yaml": yaml_document("defaultLocale", locale),
        f"{identifier}.installer.yaml": yaml_document("installer", installer),
    }


def scoop_manifest(info: dict, url: str, zip_sum: str) -> str:
    manifest = {
        "version": info["version"],
        "description": info["short_description"],
        "homepage": info["homepage"],
        "license": info["license"],
        "url": url,
        "hash": zip_sum,
        "bin": info["program"],
        "shortcuts": [[info["program"], info["name"]]],
    }
    return json.dumps(manifest, ensure_ascii=False, indent=4) + "\n"


def write(path: Path, text: str) -> None:
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(text.encode("utf-8"))


def main() -> int:
    info_file, zip_file, exe_file, release_dir = map(Path, sys.argv[1:])
    info = json.loads(info_file.read_text(encoding="utf-8"))
    zip_name, exe_name = zip_file.name, info["program"]

    # Whatever an earlier run wrote goes first, so that the folder holds only
    # what this configuration says.
    shutil.rmtree(release_dir, ignore_errors=True)
    release_dir.mkdir(parents=True)
    shutil.copyfile(zip_file, release_dir / zip_name)
    shutil.copyfile(exe_file, release_dir / exe_name)
    zip_sum = sha256(zip_file)
    write(release_dir / "SHA256SUMS", f"{zip_sum}  {zip_name}\n{sha256(exe_file)}  {exe_name}\n")

    if not info["url_pattern"]:
        print("release: no RESOLVO_RELEASE_URL, so no winget or Scoop manifest is written")
        return 0
    url = info["url_pattern"].replace("{version}", info["version"])
    folder = Path("manifests", info["publisher"][0].lower(), info["publisher"], info["name"], info["version"])
    for name, text in winget_manifests(info, url, zip_sum).items():
        write(release_dir / folder / name, text)
    write(release_dir / f"{info['command']}.json", scoop_manifest(info, url, zip_sum))
    return 0


if __name__ == "__main__":
    sys.exit(main())
