// QX - Korv3 No Intros: stops Korv Brakemoor 3 from playing its intro movies.
#include <windows.h>

#include "app/WndMain.h"
#include "button/Butt.h"
#include "forms/Description.h"
#include "forms/Runtime.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    forms::App::SetTitle("QX - Korv3 No Intros");
    try {
        // The stored description names the Apply button's class.
        button::Butt::Register();
        WndMain window;
        window.Form_Load();
        if (!window.Visible()) window.Show();
        return forms::RunMessageLoop();
    } catch (const forms::desc::DescriptionError& error) {
        forms::MsgBox(std::string("The stored window description is damaged:\r\n\r\n") + error.what(),
                      MB_OK | MB_ICONERROR);
        return 1;
    } catch (const std::exception& error) {
        forms::ReportUnhandledError(error);
    }
}
