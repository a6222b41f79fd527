// Prints what a Windows screen reader learns through UI Automation of the window whose title is
// the argument: one line per element below it, its control type and its Name.
// Usage: uianames TITLE
#include <ole2.h>
#include <uiautomation.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string converted(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), size, nullptr, nullptr);
    return converted;
}

std::string typeName(CONTROLTYPEID type)
{
    switch (type) {
    case UIA_ButtonControlTypeId:
        return "button";
    case UIA_EditControlTypeId:
        return "edit";
    case UIA_GroupControlTypeId:
        return "group";
    case UIA_ListControlTypeId:
        return "list";
    case UIA_ListItemControlTypeId:
        return "list item";
    case UIA_SpinnerControlTypeId:
        return "spinner";
    case UIA_TextControlTypeId:
        return "text";
    default:
        return std::to_string(type);
    }
}

int failed(const char *what, HRESULT result)
{
    std::fprintf(stderr, "%s failed: 0x%08lx\n", what, static_cast<unsigned long>(result));
    return 1;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fputs("usage: uianames TITLE\n", stderr);
        return 2;
    }
    HWND window = nullptr;
    for (int tries = 0; tries < 300 && !window; ++tries) {
        window = FindWindowW(nullptr, argv[1]);
        Sleep(100);
    }
    if (!window) {
        std::fprintf(stderr, "no window titled %s\n", utf8(argv[1]).c_str());
        return 1;
    }

    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IUIAutomation *automation = nullptr;
    HRESULT result = CoCreateInstance(CLSID_CUIAutomation, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IUIAutomation, reinterpret_cast<void **>(&automation));
    if (FAILED(result))
        return failed("CoCreateInstance(CUIAutomation)", result);
    IUIAutomationElement *root = nullptr;
    result = automation->ElementFromHandle(window, &root);
    if (FAILED(result))
        return failed("ElementFromHandle", result);
    // Wine has no tree walkers; a search for every descendant gives them in the same order.
    IUIAutomationCondition *everything = nullptr;
    result = automation->CreateTrueCondition(&everything);
    if (FAILED(result))
        return failed("CreateTrueCondition", result);
    IUIAutomationElementArray *elements = nullptr;
    result = root->FindAll(TreeScope_Descendants, everything, &elements);
    if (FAILED(result))
        return failed("FindAll", result);

    int count = 0;
    elements->get_Length(&count);
    for (int i = 0; i < count; ++i) {
        IUIAutomationElement *element = nullptr;
        elements->GetElement(i, &element);
        CONTROLTYPEID type = 0;
        BSTR name = nullptr;
        element->get_CurrentControlType(&type);
        element->get_CurrentName(&name);
        std::printf("[%s] %s\n", typeName(type).c_str(), name ? utf8(name).c_str() : "");
        SysFreeString(name);
        element->Release();
    }
    std::fflush(stdout);
    return 0;
}
