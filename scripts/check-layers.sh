#!/bin/sh
# Every include of src/ runs down the floors: a folder may include only the
# folders below it that the table names. A folder that is not in the table,
# or an include of a folder above, fails the build.
#   app -> wizard -> engine, uninstall -> profile, archive, install, errors
#       -> system -> rules -> fw; res/ and ui/ low, beside them (the error
#       dialog is an expanding dialog of ui/). rules/ is portable and shared
#       with tools/diskset.
set -eu
cd "$(dirname "$0")/../src"

allowed() {
    case "$1" in
    fw)        echo "" ;;
    rules)     echo "fw" ;;
    res)       echo "fw" ;;
    system)    echo "rules fw res" ;;
    errors)    echo "ui fw res" ;;
    ui)        echo "fw res" ;;
    install)   echo "system rules fw res" ;;
    archive)   echo "errors rules fw res" ;;
    profile)   echo "system rules errors fw res" ;;
    engine)    echo "profile archive install errors system rules fw res" ;;
    uninstall) echo "profile install errors system rules fw res" ;;
    wizard)    echo "engine uninstall profile archive install errors system rules ui fw res" ;;
    app)       echo "wizard engine uninstall profile archive install errors system rules ui fw res" ;;
    *)         echo "-" ;;
    esac
}

bad=0
for dir in */; do
    folder=${dir%/}
    may=$(allowed "$folder")
    if [ "$may" = "-" ]; then
        echo "src/$folder/ has no place in the table of scripts/check-layers.sh" >&2
        bad=1
        continue
    fi
    for file in $(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' -o -name '*.rc' \)); do
        for used in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z]*\)\/.*/\1/p' "$file" | sort -u); do
            [ "$used" = "$folder" ] && continue
            case " $may " in
            *" $used "*) ;;
            *)
                echo "src/$file includes $used/, which src/$folder/ may not include" >&2
                bad=1
                ;;
            esac
        done
    done
done
exit $bad
