#!/usr/bin/env bash
# Collects every tr()/translate() text and every form text of Vistrel into its Japanese
# translation source, keeping the translations already made and dropping texts that are gone.
#
#   bash scripts/update_translations.sh [output.ts]
#
# Without an argument the file updated is resources/translations/Vistrel_Japanese.ts; the
# translation test runs this same script on a scratch copy. LUPDATE names the Qt 5 lupdate to
# use; by default the first of lupdate-qt5, Qt 5's own folder and lupdate on the PATH.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

output=${1:-$top/resources/translations/Vistrel_Japanese.ts}
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

# Vistrel's sources with user texts, and the designer forms.
sources=(app communication dialogs pointcloud polygon scene resources/forms)

cd "$top"
"$lupdate" -no-obsolete -locations none -target-language ja_JP -extensions cpp,h,ui \
    "${sources[@]}" -ts "$output"
