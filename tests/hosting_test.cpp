// Hosting of custom controls: factories, property bags, ambient properties, focus order.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/Description.h"
#include "forms/Form.h"
#include "forms/Hosting.h"
#include "forms/UserControl.h"

namespace {

using forms::BagValue;
using forms::ControlSite;
using forms::PropertyBag;

// A stand-in control that records what its host gave it.
class Probe : public forms::UserControl {
public:
    explicit Probe(ControlSite& site) : UserControl(site) {}
    void UserControl_ReadProperties(const PropertyBag& bag) override {
        caption = bag.ReadText("Caption", "none");
        value = bag.ReadInt32("Value", 0);
        missing = bag.ReadInt32("Missing", 7);
        ambient = Ambient();
    }
    void UserControl_WriteProperties(PropertyBag& bag) override {
        bag.WriteText("Caption", caption, std::string());
        bag.WriteInt32("Value", value, 0);
    }

    std::string caption;
    std::int32_t value = 0;
    std::int32_t missing = 0;
    forms::AmbientProperties ambient;
};

constexpr char kDescription[] = R"(
form Host {
    ClientSize = 3000, 2000
    BackColor  = &H102030
    Font       = "Tahoma", 8.25
    picturebox Box {
        Rect      = 0, 0, 3000, 2000
        BackColor = &H493328
        Font      = "Verdana", 9.75, Bold
        checkbox First {
            Rect     = 0, 600, 900, 240
            TabIndex = 0
        }
        control Probe1 : Probe {
            Rect     = 60, 60, 600, 300
            TabIndex = 1
            bag {
                caption = "APPLY"
                VALUE   = -1
            }
        }
        control Later : NobodyMadeThis {
            Rect = 60, 400, 600, 300
        }
        checkbox Last {
            Rect     = 0, 900, 900, 240
            TabIndex = 2
        }
    }
}
)";

class HostingTest : public ::testing::Test {
protected:
    void SetUp() override {
        forms::RegisterControlClass("probe", [this](ControlSite& site) {
            auto probe = std::make_unique<Probe>(site);
            probes.push_back(probe.get());
            return probe;
        });
        form = std::make_unique<forms::Form>(forms::desc::Parse(kDescription));
    }
    void TearDown() override {
        form.reset();
        forms::RegisterControlClass("Probe", nullptr);
    }

    std::vector<Probe*> probes;
    std::unique_ptr<forms::Form> form;
};

TEST_F(HostingTest, AStoredInstanceLoadsFromItsBagAndSeesItsContainer) {
    ASSERT_EQ(probes.size(), 1u);
    ControlSite& site = form->Get<ControlSite>("Probe1");
    ASSERT_EQ(site.Instance(), probes[0]);
    const Probe& probe = *probes[0];
    EXPECT_EQ(probe.caption, "APPLY");  // keys compare without regard to case
    EXPECT_EQ(probe.value, -1);
    EXPECT_EQ(probe.missing, 7);  // an absent key gives the reader's default
    EXPECT_EQ(probe.ambient.BackColor, 0x493328u);  // the picture box's, not the form's
    EXPECT_EQ(probe.ambient.Font.face, "Verdana");
    EXPECT_EQ(probe.ambient.DisplayName, "Probe1");
    EXPECT_TRUE(probe.ambient.UserMode);
    EXPECT_EQ(site.ContainerHwnd(), form->Get<forms::PictureBox>("Box").hWnd());
    EXPECT_EQ(site.Font().face, "Verdana");  // the host's font setting starts as the container's
}

TEST_F(HostingTest, AClassNobodyRegisteredLeavesAnEmptySite) {
    const ControlSite& later = form->Get<ControlSite>("Later");
    EXPECT_EQ(later.Instance(), nullptr);
    EXPECT_EQ(later.TypeName(), "NobodyMadeThis");
}

TEST_F(HostingTest, ChangesAreMarkedOnceAndSavingWritesTheBagAnew) {
    ControlSite& site = form->Get<ControlSite>("Probe1");
    site.PropertyChanged("Caption");
    site.PropertyChanged("caption");
    site.PropertyChanged("Value");
    EXPECT_EQ(site.ChangedProperties(), (std::vector<std::string>{"Caption", "Value"}));

    probes[0]->caption = "GO";
    probes[0]->value = 0;  // the default: not written
    site.Save();
    EXPECT_TRUE(site.ChangedProperties().empty());
    EXPECT_EQ(site.Bag().Size(), 1u);
    EXPECT_EQ(std::get<std::string>(site.Bag().ReadProperty("CAPTION")), "GO");
    EXPECT_FALSE(site.Bag().Contains("Value"));
}

TEST_F(HostingTest, AnInstanceWindowJoinsTheFocusOrderByTabIndex) {
    HWND first = form->Get<forms::CheckBox>("First").hWnd();
    HWND last = form->Get<forms::CheckBox>("Last").hWnd();
    HWND probe = probes[0]->hWnd();
    EXPECT_EQ(::GetNextDlgTabItem(form->hWnd(), first, FALSE), probe);
    EXPECT_EQ(::GetNextDlgTabItem(form->hWnd(), probe, FALSE), last);
    EXPECT_EQ(::GetNextDlgTabItem(form->hWnd(), last, FALSE), first);
}

}  // namespace
