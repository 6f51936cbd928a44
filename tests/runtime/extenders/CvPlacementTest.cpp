// The window placement: written when the form closes and read back, within
// one program and across two runs of a program (this test program started
// again as a child process), with the close handler chain and the stored
// values that must not be applied as they are.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CvPlacement.h"
#include "Registry.h"
#include "Exceptions.h"
#include "Forms.h"

using namespace vcl;
using namespace corvane;

namespace {

const char* kRoleVar = "CV_PLACEMENT_TEST_ROLE";

// The registry lives in a folder of the test's own for the whole program.
std::string RegistryDir() {
    static const std::string dir = [] {
        const char* given = std::getenv("CORVANE_REGISTRY_DIR");
        if (given && *given) return std::string(given);
        const std::string d = std::string(CORVANE_TEST_TMP) + "/placement-registry-" + std::to_string(getpid());
        std::filesystem::create_directories(d);
        setenv("CORVANE_REGISTRY_DIR", d.c_str(), 1);
        return d;
    }();
    return dir;
}

std::string UniqueKey(const char* Name) { return std::string("Software\\CvPlacementTest\\") + Name; }

struct PlacementFixture : ::testing::Test {
    TForm* Main = nullptr;
    TForm* Form = nullptr;
    void SetUp() override {
        RegistryDir();
        Main = new TForm(nullptr);
        Application()->SetMainForm(Main);
        Form = new TForm(nullptr);
        Form->SetName("Secondary");
        Form->SetBounds(100, 120, 300, 200);
    }
    void TearDown() override {
        delete Form;
        Application()->SetMainForm(nullptr);
        delete Main;
    }
};

}  // namespace

TEST_F(PlacementFixture, ConstructedValues) {
    auto* p = new TCvPlacement(Form);
    EXPECT_EQ(p->Section(), "Secondary");
    EXPECT_EQ(p->RootKey(), "");
    EXPECT_FALSE(p->AutoRead());
    EXPECT_FALSE(p->AutoWrite());
    EXPECT_EQ(p->About(), 0);
}

TEST_F(PlacementFixture, WithoutRootKeyNothingIsStored) {
    auto* p = new TCvPlacement(Form);
    EXPECT_NO_THROW(p->Write());
    EXPECT_NO_THROW(p->Read());
    EXPECT_EQ(Form->BoundsRect(), (TRect{100, 120, 400, 320}));
    EXPECT_FALSE(vcl::TRegIniFile(UniqueKey("Nothing")).KeyExists("Secondary"));
}

TEST_F(PlacementFixture, SecondaryFormKeepsPositionAndSize) {
    auto* p = new TCvPlacement(Form);
    p->SetRootKey(UniqueKey("Secondary"));
    Form->Show();
    Application()->ProcessMessages();
    p->Write();
    Form->SetBounds(0, 0, 150, 100);
    p->Read();
    EXPECT_EQ(Form->BoundsRect(), (TRect{100, 120, 400, 320}));
    vcl::TRegIniFile store(UniqueKey("Secondary"));
    EXPECT_EQ(store.ReadInteger("Secondary", "PlaceNormPosR", -1), 300);  // the width
    EXPECT_EQ(store.ReadInteger("Secondary", "PlaceFlags", -1), -1);      // main forms only
}

TEST_F(PlacementFixture, DialogBorderKeepsItsDesignedSize) {
    Form->SetBorderStyle(bsDialog);
    auto* p = new TCvPlacement(Form);
    p->SetRootKey(UniqueKey("Dialog"));
    p->Write();
    EXPECT_EQ(vcl::TRegIniFile(UniqueKey("Dialog")).ReadInteger("Secondary", "PlaceNormPosR", -1), -1);
    Form->SetBounds(10, 20, 250, 180);
    p->Read();
    EXPECT_EQ(Form->BoundsRect(), (TRect{100, 120, 350, 300}));
}

TEST_F(PlacementFixture, MissingValuesKeepTheCurrentSize) {
    {
        vcl::TRegIniFile store(UniqueKey("Partial"));
        store.WriteInteger("Secondary", "PlaceNormPosL", 40);
        store.WriteInteger("Secondary", "PlaceNormPosT", 50);
        store.WriteInteger("Secondary", "PlaceNormPosB", 0);  // no usable height either
    }
    auto* p = new TCvPlacement(Form);
    p->SetRootKey(UniqueKey("Partial"));
    p->Read();
    EXPECT_EQ(Form->BoundsRect(), (TRect{40, 50, 340, 250}));
    // No section at all: nothing changes.
    p->SetSection("Elsewhere");
    Form->SetBounds(1, 2, 300, 200);
    p->Read();
    EXPECT_EQ(Form->BoundsRect(), (TRect{1, 2, 301, 202}));
}

TEST_F(PlacementFixture, StoredRectangleOffTheScreenIsMovedOntoIt) {
    {
        vcl::TRegIniFile store(UniqueKey("OffScreen"));
        store.WriteInteger("Secondary", "PlaceNormPosL", 5000);
        store.WriteInteger("Secondary", "PlaceNormPosT", -3000);
        store.WriteInteger("Secondary", "PlaceNormPosR", 300);
        store.WriteInteger("Secondary", "PlaceNormPosB", 200);
    }
    auto* p = new TCvPlacement(Form);
    p->SetRootKey(UniqueKey("OffScreen"));
    p->Read();
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_EQ(Form->BoundsRect(), (TRect{sw - 300, 0, sw, 200}));
    // Partly visible is left as it is.
    vcl::TRegIniFile(UniqueKey("OffScreen")).WriteInteger("Secondary", "PlaceNormPosL", sw - 100);
    vcl::TRegIniFile(UniqueKey("OffScreen")).WriteInteger("Secondary", "PlaceNormPosT", 10);
    p->Read();
    EXPECT_EQ(Form->BoundsRect(), (TRect{sw - 100, 10, sw + 200, 210}));
}

TEST_F(PlacementFixture, AutoWriteChainsOntoTheCloseHandlerOnce) {
    int closes = 0;
    Form->SetOnClose([&](TObject* Sender, TCloseAction& Action) {
        EXPECT_EQ(Sender, Form);
        ++closes;
        Action = caHide;
    });
    auto* p = new TCvPlacement(Form);
    p->SetRootKey(UniqueKey("AutoWrite"));
    p->SetAutoWrite(true);
    // Off and on again: still one link in the chain, not a loop.
    p->SetAutoWrite(false);
    p->SetAutoWrite(true);
    Form->Show();
    Application()->ProcessMessages();
    Form->Close();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(vcl::TRegIniFile(UniqueKey("AutoWrite")).ReadInteger("Secondary", "PlaceNormPosL", -1), 100);

    // The component goes first: the form gets its own handler back.
    delete p;
    Form->Show();
    Form->Close();
    EXPECT_EQ(closes, 2);
}

TEST_F(PlacementFixture, AutoReadRestoresAtOnce) {
    {
        vcl::TRegIniFile store(UniqueKey("AutoRead"));
        store.WriteInteger("Secondary", "PlaceNormPosL", 70);
        store.WriteInteger("Secondary", "PlaceNormPosT", 80);
        store.WriteInteger("Secondary", "PlaceNormPosR", 260);
        store.WriteInteger("Secondary", "PlaceNormPosB", 160);
    }
    auto* p = new TCvPlacement(Form);
    p->SetRootKey(UniqueKey("AutoRead"));
    p->SetAutoRead(true);
    EXPECT_EQ(Form->BoundsRect(), (TRect{70, 80, 330, 240}));
}

// The main form across two runs: the first run closes its form with
// AutoWrite, the second reads it with AutoRead.  Each run is this program
// again, in a child process, sharing only the registry folder.
TEST(PlacementAcrossRuns, MainFormWrittenAndReadBack) {
    const char* role = std::getenv(kRoleVar);
    const std::string key = UniqueKey("Runs");
    if (role) {
        // A child run.
        auto* form = Application()->CreateForm<TForm>();
        form->SetName("MainWindow");
        form->SetBounds(10, 10, 200, 100);
        auto* p = new TCvPlacement(form);
        p->SetRootKey(key);
        if (std::string(role) == "write") {
            p->SetAutoRead(true);  // first start: nothing stored, nothing moves
            EXPECT_EQ(form->BoundsRect(), (TRect{10, 10, 210, 110}));
            form->SetBounds(123, 77, 345, 222);
            form->Show();
            Application()->ProcessMessages();
            p->SetAutoWrite(true);
            form->Close();
        } else {
            p->SetAutoRead(true);
            std::printf("BOUNDS %d %d %d %d\n", form->Left(), form->Top(), form->Width(), form->Height());
        }
        delete form;
        return;
    }
    const std::string dir = std::string(CORVANE_TEST_TMP) + "/placement-runs-" + std::to_string(getpid());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    auto run = [&](const char* Role) {
        const std::string cmd = std::string("CORVANE_REGISTRY_DIR='") + dir + "' " + kRoleVar + "=" + Role +
                                " /proc/" + std::to_string(getpid()) +
                                "/exe --gtest_filter=PlacementAcrossRuns.MainFormWrittenAndReadBack 2>&1";
        std::string out;
        FILE* pipe = popen(cmd.c_str(), "r");
        if (!pipe) return std::make_pair(-1, out);
        char buf[512];
        while (std::fgets(buf, sizeof buf, pipe)) out += buf;
        const int status = pclose(pipe);
        return std::make_pair(status, out);
    };
    auto [wstatus, wout] = run("write");
    ASSERT_EQ(wstatus, 0) << wout;
    auto [rstatus, rout] = run("read");
    ASSERT_EQ(rstatus, 0) << rout;
    EXPECT_NE(rout.find("BOUNDS 123 77 345 222"), std::string::npos) << rout;
    std::filesystem::remove_all(dir);
}
