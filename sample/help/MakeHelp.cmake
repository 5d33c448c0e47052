# Writes Pelto's help, a rich-text document with its topics and two field
# photographs as device-independent bitmaps.
#   cmake -DOUTPUT=PELTO.HLP -P MakeHelp.cmake
# The pictures' pixels come from seeded random numbers, so the file is the
# same on every build; they are what makes the help the product's largest file.

# Little-endian hex of a 16- or 32-bit number.
function(hex_le value bytes out)
    set(hex "")
    foreach(i RANGE 1 ${bytes})
        math(EXPR byte "${value} & 255" OUTPUT_FORMAT HEXADECIMAL)
        string(REPLACE "0x" "" byte "${byte}")
        string(LENGTH "${byte}" length)
        if(length EQUAL 1)
            set(byte "0${byte}")
        endif()
        string(APPEND hex "${byte}")
        math(EXPR value "${value} >> 8")
    endforeach()
    set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# A 24-bit picture of width x height pixels as an RTF \pict group.
function(picture width height seed out)
    math(EXPR rowBytes "(${width} * 3 + 3) / 4 * 4")
    math(EXPR imageBytes "${rowBytes} * ${height}")
    math(EXPR rowHex "${rowBytes} * 2")
    hex_le(40 4 size)
    hex_le(${width} 4 w)
    hex_le(${height} 4 h)
    hex_le(1 2 planes)
    hex_le(24 2 bits)
    hex_le(0 4 zero)
    hex_le(${imageBytes} 4 image)
    hex_le(2835 4 dpm)
    set(text "{\\pict\\dibitmap0\\picw${width}\\pich${height}\\wbmbitspixel24\\wbmplanes1\\wbmwidthbytes${rowBytes}\n")
    string(APPEND text "${size}${w}${h}${planes}${bits}${zero}${image}${dpm}${dpm}${zero}${zero}\n")
    foreach(row RANGE 1 ${height})
        math(EXPR rowSeed "${seed} * 100000 + ${row}")
        string(RANDOM LENGTH ${rowHex} ALPHABET 0123456789abcdef RANDOM_SEED ${rowSeed} pixels)
        string(APPEND text "${pixels}\n")
    endforeach()
    string(APPEND text "}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(topics [=[
{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fmodern Courier New;}}
{\colortbl;\red0\green0\blue0;\red46\green107\blue48;}
\paperw11906\paperh16838\margl1134\margr1134\margt1134\margb1134
\f0\fs20
{\pard\sb240\sa120\cf2\b\fs32 Pelto Help\par}
{\pard\sa120 Pelto keeps the ledger of a farm: its parcels, what was sown and harvested on them, the hours of its machines and the weather. This help describes each task in a topic of its own.\par}
{\pard\sb120\sa60\b Contents\par}
{\pard\li360 Starting Pelto\line Opening a ledger\line Entries of a ledger\line Parcels and fields\line Sowing and harvest\line Machines and hours\line Weather records\line The ledger engine\line Removing Pelto\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 Starting Pelto\par}
{\pard\sa120 Setup puts Pelto in the program group you chose. Choose {\b Pelto} there to start it with the spring sample ledger, or start PELTO.EXE with the path of a ledger after its name. Without one, Pelto opens the ledger you had open the last time.\par}
{\pard\sa120 Pelto keeps its settings in PELTO.INI beside the program. Setup writes that file when it installs Pelto, and removes it again when Pelto is removed.\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 Opening a ledger\par}
{\pard\sa120 Choose {\b Open Ledger} in the {\b File} menu (Ctrl+O) and pick a ledger file, extension LDG. The folder SAMPLES below Pelto's folder holds two ledgers to try: SPRING.LDG with the spring sowing and HARVEST.LDG with the autumn harvest.\par}
{\pard\sa120 The main window lists the entries of the ledger, one a line, with their fields in columns. The path of the ledger is shown above the list.\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 Entries of a ledger\par}
{\pard\sa120 A ledger is a text file that any editor can change. Each line is an entry: a word that names its kind, then its fields separated by a bar. Lines that begin with a semicolon are remarks.\par}
{\pard\li360\f1\fs18 ; Pelto sample ledger\line PARCEL North field|12.5 ha|barley\line SOWN 1996-04-22|North field|barley|180 kg/ha\line HARVEST 1996-08-19|North field|barley|48 200 kg\line MACHINE Tractor|14.5 h\line WEATHER 1996-08|rain 61 mm|mean 14.9 C\par}
{\pard\sa120 An entry has at most four fields; a field holds up to 63 characters.\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 Parcels and fields\par}
{\pard\sa120 A PARCEL entry names a parcel, its area and its crop of the season. Sowing and harvest entries name the parcel they belong to, so give every parcel a name of its own. The photograph shows the North field of the samples in June.\par}
{\pard\qc
]=])

set(middle [=[
\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 Sowing and harvest\par}
{\pard\sa120 A SOWN entry records the day, the parcel, the crop and the seed rate; a HARVEST entry the day, the parcel, the crop and the yield. Pelto lists them in the order the ledger holds them.\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 Machines and hours\par}
{\pard\sa120 A MACHINE entry records a machine and its hours of work in the season. The photograph shows the riverside parcel at harvest time.\par}
{\pard\qc
]=])

set(ending [=[
\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 Weather records\par}
{\pard\sa120 A WEATHER entry records a month, its rainfall and its mean temperature.\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 The ledger engine\par}
{\pard\sa120 Pelto reads ledgers through its ledger engine PELTO32.DLL, which setup installs in the Windows System folder, where other farm programs find it too. {\b About Pelto} in the {\b Help} menu shows the engine's version. Windows counts the programs that use the engine, and the engine stays when Pelto is removed.\par}
\page
{\pard\sb240\sa120\cf2\b\fs28 Removing Pelto\par}
{\pard\sa120 Open {\b Add/Remove Programs} in the Control Panel and choose {\b Pelto}. Setup removes Pelto's files, its program group and its registry entries. Your own ledgers outside Pelto's folders stay where they are.\par}
}
]=])

picture(640 480 1 northField)
picture(480 360 2 riverside)
file(WRITE "${OUTPUT}" "${topics}${northField}${middle}${riverside}${ending}")
