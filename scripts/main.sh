#!/usr/bin/env bash
# The main job. The launcher executable does not exist yet, so for now this sets the machine up and
# builds both targets (native and Windows) and nothing more.
#
# Usage: scripts/main.sh   (as root on Debian 12, from anywhere)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" all
echo
echo "[main] Both targets are built (build/ and build-win/). The launcher executable does not exist"
echo "[main] yet, so there is nothing to start; scripts/test.sh runs the tests."
