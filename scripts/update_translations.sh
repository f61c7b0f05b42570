#!/usr/bin/env bash
# Collects every tr()/translate() text and every form text of a program into its Japanese
# translation source, keeping the translations already made and dropping texts that are gone.
#
#   bash scripts/update_translations.sh [output.ts]
#
# The program is told by the file's name: Brenmoor_*.ts takes the editor's sources, any other
# Vistrel's. Without an argument both files in resources/translations are updated; the
# translation tests run this same script on scratch copies. LUPDATE names the Qt 5 lupdate to
# use; by default the first of lupdate-qt5, Qt 5's own folder and lupdate on the PATH.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

if [ $# -eq 0 ]; then
    for program in Vistrel Brenmoor; do
        bash "$0" "$top/resources/translations/${program}_Japanese.ts"
    done
    exit 0
fi
output=$1
case "$output" in
    /*) ;;
    *) output=$(pwd)/$output ;;
esac

lupdate=${LUPDATE:-}
if [ -z "$lupdate" ]; then
    if command -v lupdate-qt5 >/dev/null 2>&1; then
        lupdate=lupdate-qt5
    elif [ -x /usr/lib/qt5/bin/lupdate ]; then
        lupdate=/usr/lib/qt5/bin/lupdate
    elif command -v lupdate >/dev/null 2>&1; then
        lupdate=lupdate
        # qtchooser's wrapper picks its tool set by this.
        export QT_SELECT=qt5
    else
        echo "lupdate (Qt 5) not found; install qttools5-dev-tools or set LUPDATE." >&2
        exit 1
    fi
fi

# The sources with user texts that each program builds, and the designer forms.
case "$(basename "$output")" in
    Brenmoor_*) sources=(editor scene pointcloud dialogs resources/forms) ;;
    *) sources=(app communication dialogs pointcloud polygon scene resources/forms) ;;
esac

cd "$top"
"$lupdate" -no-obsolete -locations none -target-language ja_JP -extensions cpp,h,ui \
    "${sources[@]}" -ts "$output"
