// A hosted control of the tests' own: it records every notification its host gives it and
// raises a few events, so that a test can read the exact order of what happened.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "forms/Hosting.h"
#include "forms/UserControl.h"

namespace hosttest {

inline std::string Num(double v) { return std::to_string(static_cast<long long>(v)); }

class Recorder : public forms::UserControl {
public:
    // Input and focus go to input; lifecycle (init, read, resize, show, paint...) to life.
    Recorder(forms::ControlSite& site, std::vector<std::string>& input, std::vector<std::string>& life)
        : UserControl(site), input_(input), life_(life) {}

    // Knobs a test may turn.
    bool defaultCancel = true;
    int resizeToWidth = 0;  // pixels; a resize to another width sets this one from inside
    int paints = 0;

    void UserControl_InitProperties() override {
        Life("Init");
        if (!Ambient().UserMode) forms::MsgBox("Placed while designed", 64);
    }
    void UserControl_ReadProperties(const forms::PropertyBag& bag) override {
        Life("Read");
        SetAccessKeys(bag.ReadText("Keys", ""));
    }
    void UserControl_WriteProperties(forms::PropertyBag& bag) override {
        Life("Write");
        bag.WriteText("Keys", AccessKeys(), std::string());
    }
    void UserControl_Show() override { Life("Show"); }
    void UserControl_Paint() override { ++paints; }
    void UserControl_Resize() override {
        Life("Resize " + Num(ScaleWidth()));
        if (resizeToWidth > 0 && ScaleWidth() != resizeToWidth) {
            Extender().SetWidth(ScaleX(resizeToWidth, 3, 1));
            Life("Resized " + Num(ScaleWidth()));
        }
    }
    void UserControl_Terminate() override { Life(std::string("Terminate ") + (::IsWindow(Extender().InstanceHwnd()) ? "window" : "gone")); }
    void UserControl_AmbientChanged(const std::string& name) override { In("Ambient " + name); }

    void UserControl_MouseDown(std::int16_t& button, std::int16_t& shift, float& x, float& y) override {
        In("MouseDown " + Num(button));
        RaiseEvent("MouseDown", button, shift, x, y);
    }
    void UserControl_MouseUp(std::int16_t& button, std::int16_t&, float&, float&) override {
        In("MouseUp " + Num(button));
    }
    void UserControl_Click() override {
        In("Click");
        RaiseEvent("Click");
    }
    void UserControl_DblClick() override { In("DblClick"); }
    void UserControl_KeyDown(std::int16_t& keyCode, std::int16_t&) override { In("KeyDown " + Num(keyCode)); }
    void UserControl_KeyPress(std::int16_t& keyAscii) override {
        const std::int16_t before = keyAscii;
        RaiseEvent("KeyPress", keyAscii);
        In("KeyPress " + Num(before) + (keyAscii != before ? ">" + Num(keyAscii) : ""));
    }
    void UserControl_KeyUp(std::int16_t& keyCode, std::int16_t&) override { In("KeyUp " + Num(keyCode)); }
    void UserControl_AccessKeyPress(std::int16_t& keyAscii) override { In("AccessKey " + Num(keyAscii)); }
    void UserControl_GotFocus() override { In("GotFocus"); }
    void UserControl_LostFocus() override { In("LostFocus"); }
    bool DefaultCancel() const override { return defaultCancel; }

private:
    void In(const std::string& what) { input_.push_back(Extender().Name() + "." + what); }
    void Life(const std::string& what) { life_.push_back(Extender().Name() + "." + what); }

    std::vector<std::string>& input_;
    std::vector<std::string>& life_;
};

}  // namespace hosttest
