#!/usr/bin/env bash
# The seam between the transport's two halves: nothing in transport/ant includes the transfer
# engine, and the transfer engine reaches Ant only through its interface headers.
set -uo pipefail
cd "$(dirname "$0")/.."
bad=0
while IFS= read -r line; do
    echo "layout: $line (transport/ant must not include transport/transfer)"
    bad=1
done < <(grep -rn '#include "transport/transfer/' transport/ant)
while IFS= read -r line; do
    echo "layout: $line (the transfer engine uses only Ant.h, AntSocket.h and AntAddress.h of transport/ant)"
    bad=1
done < <(grep -rn '#include "transport/ant/' transport/transfer |
    grep -v -E '#include "transport/ant/(Ant|AntSocket|AntAddress)\.h"')
exit $bad
