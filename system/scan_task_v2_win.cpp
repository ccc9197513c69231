#include "system/scan_task_v2_win.h"

#include "system/current_user_win.h"
#include "system/scan_task_xml.h"
#include "common/com_ptr_win.h"

#include <objbase.h>
#include <shellapi.h>
#include <taskschd.h>

#include <exception>

namespace {

com_ptr_c<ITaskService> connect_service() {
    com_ptr_c<ITaskService> service;
    if (FAILED(CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                service.put_void())))
        return {};
    variant_c local;  // empty: this computer, as this user
    if (FAILED(service->Connect(local.get(), local.get(), local.get(), local.get()))) return {};
    return service;
}

com_ptr_c<ITaskFolder> root_folder() {
    com_ptr_c<ITaskService> service = connect_service();
    com_ptr_c<ITaskFolder> folder;
    bstr_c root(L"\\");
    if (!service || FAILED(service->GetFolder(root.get(), folder.put()))) folder.reset();
    return folder;
}

com_ptr_c<IRegisteredTask> registered_task(ITaskFolder* root, const std::wstring& path) {
    com_ptr_c<IRegisteredTask> task;
    bstr_c name(path.c_str());
    if (FAILED(root->GetTask(name.get(), task.put()))) task.reset();
    return task;
}

// The definition as the scheduler gives it back.
bool task_xml(IRegisteredTask* task, std::wstring& xml) {
    bstr_c text;
    if (FAILED(task->get_Xml(text.put()))) return false;
    xml = text.value();
    return true;
}

// Registers the definition at path for the current user with the interactive token: no password
// is kept, and the task runs only while the user is logged on.
bool register_xml(ITaskFolder* root, const std::wstring& path, const std::wstring& xml, TASK_CREATION how,
                  const std::wstring& account) {
    bstr_c name(path.c_str()), text(xml.c_str());
    variant_c user;
    VARIANT* user_value = user.put();
    user_value->bstrVal = SysAllocString(account.c_str());
    if (!user_value->bstrVal || !text.get()) return false;
    user_value->vt = VT_BSTR;
    variant_c none;
    com_ptr_c<IRegisteredTask> task;
    return SUCCEEDED(root->RegisterTask(name.get(), text.get(), how, user.get(), none.get(),
                                        TASK_LOGON_INTERACTIVE_TOKEN, none.get(), task.put()));
}

}  // namespace

bool task_scheduler_2_available() { return bool(connect_service()); }

bool create_scan_task_v2(const std::wstring& path, const std::wstring& application, const local_minute_c& now) try {
    std::wstring account = current_user_account();
    com_ptr_c<ITaskFolder> root = root_folder();
    // TASK_CREATE refuses a path that is taken: an existing task keeps the schedule the user may
    // have changed.
    return !path.empty() && !account.empty() && root &&
           register_xml(root.get(), path, scan_task_xml(account, application, weekly_start_after(now)), TASK_CREATE,
                        account);
} catch (const std::exception&) {  // out of memory: nothing was registered
    return false;
}

bool enable_scan_task_v2(bool enable, const std::wstring& path) try {
    std::wstring account = current_user_account();
    com_ptr_c<ITaskFolder> root = root_folder();
    com_ptr_c<IRegisteredTask> task = root && !path.empty() ? registered_task(root.get(), path) : com_ptr_c<IRegisteredTask>();
    std::wstring xml;
    if (account.empty() || !task || !task_xml(task.get(), xml)) return false;
    std::optional<std::wstring> changed = scan_task_xml_enabled(xml, enable);
    return changed && register_xml(root.get(), path, *changed, TASK_UPDATE, account);
} catch (const std::exception&) {
    return false;
}

bool edit_scan_task_v2(HWND owner, const std::wstring& path) {
    com_ptr_c<ITaskFolder> root = root_folder();
    if (path.empty() || !root || !registered_task(root.get(), path)) return false;
    SHELLEXECUTEINFOW console{};
    console.cbSize = sizeof console;
    console.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    console.hwnd = owner;
    console.lpVerb = L"open";
    console.lpFile = L"taskschd.msc";
    console.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&console) != FALSE;
}

std::optional<scan_task_record_c> read_scan_task_v2(const std::wstring& path) try {
    com_ptr_c<ITaskFolder> root = root_folder();
    com_ptr_c<IRegisteredTask> task = root && !path.empty() ? registered_task(root.get(), path) : com_ptr_c<IRegisteredTask>();
    std::wstring xml;
    if (!task || !task_xml(task.get(), xml)) return std::nullopt;
    std::optional<scan_task_record_c> record = read_scan_task_xml(xml);
    if (record) record->path = path;
    return record;
} catch (const std::exception&) {
    return std::nullopt;
}
