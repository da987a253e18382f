// Building the resource list from the archives of the working directory: order, duplicates, loose-file
// overrides, skipped names, damaged archives, reading bytes, archlist and freeing.
#include <sys/stat.h>

#include "../support/resource_fixture.h"

using Lines = std::vector<std::string>;

TEST_F(ResourceTest, DirectoryIsListedFromItsLastRecordAndArchlistShowsIt)
{
    WriteArchive("data.vrk", {{"a.txt", "AAAA"}, {"b.txt", "BB"}});
    Mark();
    ResourceScanArchives();
    EXPECT_EQ(Printed(), Lines{Cp("Összesen 2 fájl van az archivumokban."_cp)});
    EXPECT_EQ(ListNames(), (Lines{"b.txt", "a.txt"}));

    Mark();
    ConsoleExecute(console, "archlist");
    EXPECT_EQ(Printed(), (Lines{Cp("     Méret Fájlnév  (archivum)"_cp), std::string(54, '-'),
                                "         2 b.txt  (data.vrk)", "         4 a.txt  (data.vrk)", "",
                                Cp("Összesen: 2 fájl"_cp), Cp("Foglalt memória: 272 bájt"_cp)}));
}

TEST_F(ResourceTest, ArchivesAreScannedInAscendingNameOrderAndTheFirstWins)
{
    WriteArchive("b.vrk", {{"same", "from b"}, {"only-b", "b"}});
    WriteArchive("a.vrk", {{"same", "from a"}});
    WriteArchive("c.vrk", {{"twice", "first"}, {"twice", "stored last"}});
    ResourceScanArchives();
    EXPECT_EQ(ListNames(), (Lines{"same", "only-b", "same", "twice", "twice"}));
    EXPECT_EQ(ResourceFind("same")->archive, "a.vrk");
    EXPECT_EQ(Bytes("same"), "from a");
    EXPECT_EQ(Bytes("only-b"), "b");
    EXPECT_EQ(Bytes("twice"), "stored last");
}

TEST_F(ResourceTest, InstalledArchivesComeBehindTheGameFoldersOwnAndLooseFiles)
{
    WriteArchive("installed/data.vrk", {{"same", "installed"}, {"new", "installed only"}, {"loose", "installed."}});
    WriteArchive("installed/b.vrk", {{"later", "installed b"}});
    Write("installed/loose", "a loose file beside the installed archive is not the game's");
    WriteArchive("zz.vrk", {{"same", "player"}});
    Write("loose", "LOOSE FILE");
    const std::string installed = (std::filesystem::current_path() / "installed").string();
    ResourceSetInstalledFolder(installed);
    Mark();
    ResourceScanArchives();
    EXPECT_EQ(Printed(), Lines{Cp("Összesen 5 fájl van az archivumokban."_cp)});
    // The player's archive first (even named after the installed ones), then the installed in name order.
    EXPECT_EQ(ListNames(), (Lines{"same", "later", "loose", "new", "same"}));
    EXPECT_EQ(ResourceFind("same")->archive, "zz.vrk");
    EXPECT_EQ(Bytes("same"), "player");
    EXPECT_EQ(ResourceFind("new")->archive, installed + "/data.vrk");
    EXPECT_EQ(Bytes("new"), "installed only");
    EXPECT_EQ(Bytes("later"), "installed b");
    // A loose file in the game folder overrides an installed member too (for the member's size).
    EXPECT_TRUE(ResourceFind("loose")->archive.empty());
    EXPECT_EQ(Bytes("loose"), "LOOSE FILE");

    // Without an installed folder only the game folder counts.
    ResourceSetInstalledFolder("");
    ResourceScanArchives();
    EXPECT_EQ(ListNames(), Lines{"same"});
}

TEST_F(ResourceTest, OnlyLowerCaseVrkFilesAreArchives)
{
    WriteArchive("DATA.VRK", {{"upper", "x"}});
    WriteArchive("mixed.Vrk", {{"mixed", "x"}});
    WriteArchive(".hidden.vrk", {{"hidden", "x"}});
    WriteArchive("data.vrk.bak", {{"backup", "x"}});
    std::filesystem::create_directory("folder.vrk");
    WriteArchive("real.vrk", {{"real", "x"}});
    Mark();
    ResourceScanArchives();
    EXPECT_EQ(ListNames(), Lines{"real"});
    EXPECT_EQ(Printed(), Lines{Cp("Összesen 1 fájl van az archivumokban."_cp)});
}

TEST_F(ResourceTest, NamesAreFoundOnlyExactly)
{
    WriteArchive("data.vrk", {{"textures\\hud.bmp", "x"}});
    ResourceScanArchives();
    EXPECT_NE(ResourceFind("textures\\hud.bmp"), nullptr);
    EXPECT_EQ(ResourceFind("textures/hud.bmp"), nullptr);
    EXPECT_EQ(ResourceFind("Textures\\hud.bmp"), nullptr);
    EXPECT_EQ(ResourceFind("textures\\hud.bm"), nullptr);
    EXPECT_EQ(ResourceFind(nullptr), nullptr);
}

TEST_F(ResourceTest, LooseFileOverridesTheArchiveForTheRecordsSize)
{
    WriteArchive("data.vrk", {{"textures\\hud.bmp", "ARCH"}, {"textures\\other.bmp", "OTHER"}});
    Write("textures/hud.bmp", "LOOSE FILE, LONGER");
    Mark();
    ResourceScanArchives();
    const ResourceEntry* hud = ResourceFind("textures\\hud.bmp");
    ASSERT_NE(hud, nullptr);
    EXPECT_TRUE(hud->archive.empty());
    EXPECT_EQ(hud->size, 4);
    EXPECT_EQ(Bytes("textures\\hud.bmp"), "LOOS");
    EXPECT_EQ(Bytes("textures\\other.bmp"), "OTHER");

    Mark();
    ConsoleExecute(console, "archlist");
    const Lines lines = Printed();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "         5 textures\\other.bmp  (data.vrk)");
    EXPECT_EQ(lines[3], "         4 textures\\hud.bmp  ()");

    // The file itself is the whole loose file; the archive member is exactly its record's bytes.
    std::string bytes;
    Mark();
    ASSERT_TRUE(ResourceBytes(*hud, bytes));
    EXPECT_EQ(bytes, "LOOSE FILE, LONGER");
    ASSERT_TRUE(ResourceBytes(*ResourceFind("textures\\other.bmp"), bytes));
    EXPECT_EQ(bytes, "OTHER");
    EXPECT_TRUE(Printed().empty());

    // A loose file shorter than the record cannot give the record's size.
    Write("textures/hud.bmp", "LO");
    Mark();
    EXPECT_EQ(ResourceLoadBytes("textures\\hud.bmp"), nullptr);
    EXPECT_EQ(Printed(), Lines{Cp("A fájlból nem lehet olvasni!"_cp)});
    ASSERT_TRUE(ResourceBytes(*hud, bytes));
    EXPECT_EQ(bytes, "LO");
}

TEST_F(ResourceTest, EmptyArchiveAddsNothingAndPrintsNothingOfItsOwn)
{
    WriteArchive("empty.vrk", {});
    Mark();
    ResourceScanArchives();
    EXPECT_EQ(ResourceListHead(), nullptr);
    EXPECT_EQ(Printed(), Lines{Cp("Összesen 0 fájl van az archivumokban."_cp)});

    Mark();
    EXPECT_EQ(ResourceLoadBytes("anything"), nullptr);
    EXPECT_EQ(Printed(), Lines{Cp("Nem létezik ilyen fájl! (anything)"_cp)});
}

TEST_F(ResourceTest, DamagedArchivesAreSkippedAndGoodOnesKept)
{
    Write("a-short.vrk", "ab");
    Write("b-count.vrk", "data" + RawRecord(4, 0, "counted") + Le32(2));
    Write("c-records.vrk", "0123456789" + RawRecord(4, 0, "first") + RawRecord(8, 5, "past end") +
                               RawRecord(2, 0, "", false) + RawRecord(1, 0, "") + RawRecord(10, 0, "last") + Le32(5));
    WriteArchive("d-good.vrk", {{"good", "fine"}});
    Mark();
    ResourceScanArchives();
    EXPECT_EQ(
        Printed(),
        (Lines{Cp("Hibás archivum, kihagyva: a-short.vrk (rövidebb 4 bájtnál, nincs benne darabszám)"_cp),
               Cp("Hibás archivum, kihagyva: b-count.vrk (a könyvtár nem fér el a fájlban)"_cp),
               Cp("Hibás bejegyzés kihagyva: c-records.vrk, 4. rekord (üres a neve)"_cp),
               Cp("Hibás bejegyzés kihagyva: c-records.vrk, 3. rekord (a neve nincs lezárva)"_cp),
               Cp("Hibás bejegyzés kihagyva: c-records.vrk, 2. rekord (a tartalma túlnyúlik az adatterületen)"_cp),
               Cp("Összesen 3 fájl van az archivumokban."_cp)}));
    EXPECT_EQ(ListNames(), (Lines{"last", "first", "good"}));
    EXPECT_EQ(Bytes("last"), "0123456789");
    EXPECT_EQ(Bytes("first"), "0123");
    EXPECT_EQ(Bytes("good"), "fine");
}

TEST_F(ResourceTest, LongArchiveNamesAreKeptWhole)
{
    WriteArchive("a-rather-long-archive-name.vrk", {{"sound\\klikk.wav", "RIFF"}});
    ResourceScanArchives();
    const ResourceEntry* entry = ResourceFind("sound\\klikk.wav");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->archive, "a-rather-long-archive-name.vrk");
    EXPECT_EQ(Bytes("sound\\klikk.wav"), "RIFF");
}

TEST_F(ResourceTest, FilesGoneOrCutShortAfterTheScanAreRefusedWhole)
{
    WriteArchive("data.vrk", {{"x", "bytes"}, {"y", "the member after it"}, {"fifo", "f"}, {"gone", "g"}});
    Write("fifo", "f");
    Write("gone", "g");
    ResourceScanArchives();
    std::string bytes = "left over";

    // The archive ends inside the member its directory listed: nothing of it is given.
    std::filesystem::resize_file("data.vrk", 5 + 10);
    Mark();
    EXPECT_FALSE(ResourceBytes(*ResourceFind("y"), bytes));
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(ResourceLoadBytes("y"), nullptr);
    EXPECT_EQ(Printed(), (Lines{Cp("A fájlból nem lehet olvasni!"_cp), Cp("A fájlból nem lehet olvasni!"_cp)}));
    ASSERT_TRUE(ResourceBytes(*ResourceFind("x"), bytes));
    EXPECT_EQ(bytes, "bytes") << "the member before the cut is still whole";

    // A loose file replaced by a FIFO is not waited on; one removed cannot be opened.
    std::filesystem::remove("fifo");
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    std::filesystem::remove("gone");
    Mark();
    EXPECT_FALSE(ResourceBytes(*ResourceFind("fifo"), bytes));
    EXPECT_FALSE(ResourceBytes(*ResourceFind("gone"), bytes));
    EXPECT_EQ(Printed(), (Lines{Cp("A fájlt nem lehet megnyitni!"_cp), Cp("A fájlt nem lehet megnyitni!"_cp)}));

    // The archive gone, or a folder in its place.
    std::filesystem::remove("data.vrk");
    Mark();
    EXPECT_EQ(ResourceLoadBytes("x"), nullptr);
    std::filesystem::create_directory("data.vrk");
    EXPECT_FALSE(ResourceBytes(*ResourceFind("x"), bytes));
    EXPECT_EQ(Printed(), (Lines{Cp("A fájlt nem lehet megnyitni!"_cp), Cp("A fájlt nem lehet megnyitni!"_cp)}));
}

TEST_F(ResourceTest, ScanningAgainStartsFromAnEmptyList)
{
    WriteArchive("data.vrk", {{"x", "1"}, {"y", "2"}});
    ResourceScanArchives();
    ResourceScanArchives();
    EXPECT_EQ(ListNames(), (Lines{"y", "x"}));
}

namespace {

// A short mono 16-bit PCM wave file.
std::string TinyWave()
{
    const std::string samples(64, '\0');
    std::string fmt = Le32(16);
    fmt += std::string("\x01\x00\x01\x00", 4) + Le32(8000) + Le32(16000) + std::string("\x02\x00\x10\x00", 4);
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + 8 + 16 + 8 + samples.size())) + "WAVE" + "fmt " + fmt + "data" +
           Le32(static_cast<std::uint32_t>(samples.size())) + samples;
}

}  // namespace

TEST_F(ResourceTest, FreeAllFreesStreamsAndTheirMemoryAndEmptiesTheList)
{
    BassSetNoticeHandler([](const char*) {});
    BASS_Init(1, 44100, 0, nullptr, nullptr);
    WriteArchive("data.vrk", {{"sound\a.wav", TinyWave()}, {"sound\b.wav", "2"}});
    ResourceScanArchives();
    // A stream over the entry's file image, as the sound manager leaves it.
    ResourceEntry* a = ResourceFind("sound\a.wav");
    a->streamData = ResourceLoadBytes("sound\a.wav");
    a->stream = BASS_StreamCreateFile(1, a->streamData, 0, static_cast<DWORD>(a->size), 0);
    ASSERT_NE(a->stream, 0u) << BASS_ErrorGetCode();
    const HSTREAM stream = a->stream;
    // Memory without a stream (a stream that could not be made) is released too; the leak checker
    // sees it otherwise.
    ResourceFind("sound\b.wav")->streamData = ResourceLoadBytes("sound\b.wav");

    ResourceFreeAll();
    EXPECT_EQ(ResourceListHead(), nullptr);
    EXPECT_EQ(ResourceFind("sound\a.wav"), nullptr);
    EXPECT_FALSE(BASS_StreamFree(stream)) << "the stream was freed with its entry";
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    ResourceFreeAll();  // nothing left to free
    BassReset();
    BassSetNoticeHandler(nullptr);
}
