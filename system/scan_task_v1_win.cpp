#include "system/scan_task_v1_win.h"

#include "system/command_line.h"
#include "system/current_user_win.h"
#include "common/com_ptr_win.h"

#include <mstask.h>
#include <objbase.h>

#include <cstdio>
#include <exception>
#include <utility>

namespace {

// Runs with the user's session only while the user is logged on; neither the battery nor a run
// time stops the scan (the scheduler would end the program, which the user may be using).
constexpr DWORD scan_task_flags = TASK_FLAG_INTERACTIVE | TASK_FLAG_RUN_ONLY_IF_LOGGED_ON;
static_assert(scan_task_flags == 0x2001, "the work item's flags");
static_assert(sizeof(TASK_TRIGGER) == 48, "the trigger record's size field");

// A text the scheduler allocated with the task allocator.
class task_text_c {
public:
    task_text_c() = default;
    ~task_text_c() { CoTaskMemFree(text_); }
    task_text_c(const task_text_c&) = delete;
    task_text_c& operator=(const task_text_c&) = delete;
    LPWSTR* put() {
        CoTaskMemFree(std::exchange(text_, nullptr));
        return &text_;
    }
    std::wstring value() const { return text_ ? std::wstring(text_) : std::wstring(); }

private:
    LPWSTR text_ = nullptr;
};

com_ptr_c<ITaskScheduler> make_scheduler() {
    com_ptr_c<ITaskScheduler> scheduler;
    if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                scheduler.put_void())))
        scheduler.reset();
    return scheduler;
}

com_ptr_c<ITask> open_work_item(const std::wstring& name) {
    com_ptr_c<ITask> task;
    com_ptr_c<ITaskScheduler> scheduler = make_scheduler();
    if (!scheduler ||
        FAILED(scheduler->Activate(name.c_str(), IID_ITask, reinterpret_cast<IUnknown**>(task.put()))))
        task.reset();
    return task;
}

// True only when the scheduler says plainly that there is no such item; an item it cannot read
// still occupies the name.
bool work_item_is_absent(ITaskScheduler* scheduler, const std::wstring& name) {
    com_ptr_c<ITask> task;
    HRESULT result = scheduler->Activate(name.c_str(), IID_ITask, reinterpret_cast<IUnknown**>(task.put()));
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

bool save_work_item(ITask* task) {
    com_ptr_c<IPersistFile> file;
    if (FAILED(task->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
    return SUCCEEDED(file->Save(nullptr, TRUE));
}

bool add_weekly_task_trigger(ITask* task, const local_minute_c& now) {
    WORD index = 0;
    com_ptr_c<ITaskTrigger> trigger;
    if (FAILED(task->CreateTrigger(&index, trigger.put()))) return false;
    weekly_start_c start = weekly_start_after(now);
    TASK_TRIGGER record{};
    record.cbTriggerSize = sizeof record;
    record.wBeginYear = WORD(start.first_run.year);
    record.wBeginMonth = WORD(start.first_run.month);
    record.wBeginDay = WORD(start.first_run.day);
    record.wStartHour = WORD(start.first_run.hour);
    record.wStartMinute = WORD(start.first_run.minute);
    record.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
    record.Type.Weekly.WeeksInterval = 1;
    record.Type.Weekly.rgfDaysOfTheWeek = start.days_of_week;
    return SUCCEEDED(trigger->SetTrigger(&record));
}

bool read_first_trigger(ITask* task, TASK_TRIGGER& record, com_ptr_c<ITaskTrigger>& trigger) {
    if (FAILED(task->GetTrigger(0, trigger.put()))) return false;
    record = TASK_TRIGGER{};
    record.cbTriggerSize = sizeof record;
    return SUCCEEDED(trigger->GetTrigger(&record));
}

scan_trigger_record_c trigger_record(const TASK_TRIGGER& record) {
    scan_trigger_record_c trigger;
    trigger.weekly = record.TriggerType == TASK_TIME_TRIGGER_WEEKLY;
    local_minute_c start{record.wBeginYear, record.wBeginMonth, record.wBeginDay, record.wStartHour, record.wStartMinute, 0};
    trigger.start_boundary = start_boundary_text(start);
    trigger.weeks_interval = trigger.weekly ? record.Type.Weekly.WeeksInterval : 0;
    trigger.days_of_week = trigger.weekly ? record.Type.Weekly.rgfDaysOfTheWeek : 0;
    trigger.enabled = (record.rgFlags & TASK_TRIGGER_FLAG_DISABLED) == 0;
    return trigger;
}

// A run time in milliseconds as an ISO 8601 duration; none ("PT0S") when infinite.
std::wstring duration_text(DWORD milliseconds) {
    if (milliseconds == INFINITE) return L"PT0S";
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"PT%luS", static_cast<unsigned long>(milliseconds / 1000));
    return text;
}

}  // namespace

bool create_scan_task_v1(const std::wstring& name, const std::wstring& application, const local_minute_c& now) try {
    com_ptr_c<ITaskScheduler> scheduler = make_scheduler();
    if (!scheduler) return false;
    // Windows refuses to create an item that exists; Wine would overwrite it and with it the
    // schedule the user set in its property pages.
    if (!work_item_is_absent(scheduler.get(), name)) return false;
    com_ptr_c<ITask> task;
    if (FAILED(scheduler->NewWorkItem(name.c_str(), CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(task.put()))))
        return false;
    std::wstring account = current_user_account();
    return !account.empty() && SUCCEEDED(task->SetApplicationName(application.c_str())) &&
           SUCCEEDED(task->SetComment(scan_task_comment)) && SUCCEEDED(task->SetParameters(autorun_switch)) &&
           SUCCEEDED(task->SetFlags(scan_task_flags)) && SUCCEEDED(task->SetMaxRunTime(INFINITE)) &&
           SUCCEEDED(task->SetAccountInformation(account.c_str(), nullptr)) && add_weekly_task_trigger(task.get(), now) &&
           save_work_item(task.get());
} catch (const std::exception&) {  // out of memory: nothing was saved
    return false;
}

bool enable_scan_task_v1(bool enable, const std::wstring& name) {
    com_ptr_c<ITask> task = open_work_item(name);
    if (!task) return false;
    TASK_TRIGGER record;
    com_ptr_c<ITaskTrigger> trigger;
    if (!read_first_trigger(task.get(), record, trigger)) return false;
    record.rgFlags = enable ? 0 : TASK_TRIGGER_FLAG_DISABLED;
    return SUCCEEDED(trigger->SetTrigger(&record)) && save_work_item(task.get());
}

bool edit_scan_task_v1(HWND owner, const std::wstring& name) {
    com_ptr_c<ITask> task = open_work_item(name);
    return task && SUCCEEDED(task->EditWorkItem(owner, 0));
}

std::optional<scan_task_record_c> read_scan_task_v1(const std::wstring& name) try {
    com_ptr_c<ITask> task = open_work_item(name);
    if (!task) return std::nullopt;
    scan_task_record_c item;
    task_text_c application, parameters, comment, account;
    DWORD flags = 0;
    DWORD run_time = 0;
    WORD trigger_count = 0;
    if (FAILED(task->GetApplicationName(application.put())) || FAILED(task->GetParameters(parameters.put())) ||
        FAILED(task->GetComment(comment.put())) || FAILED(task->GetFlags(&flags)) ||
        FAILED(task->GetMaxRunTime(&run_time)) || FAILED(task->GetTriggerCount(&trigger_count)))
        return std::nullopt;
    item.scheduler = 1;
    item.path = name;
    item.application = application.value();
    item.parameters = parameters.value();
    item.comment = comment.value();
    item.logon_type = (flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON) ? 3 : 1;
    item.disallow_start_on_batteries = (flags & TASK_FLAG_DONT_START_IF_ON_BATTERIES) != 0;
    item.stop_going_on_batteries = (flags & TASK_FLAG_KILL_IF_GOING_ON_BATTERIES) != 0;
    item.execution_time_limit = duration_text(run_time);
    item.trigger_count = trigger_count;
    if (SUCCEEDED(task->GetAccountInformation(account.put()))) item.account = account.value();
    TASK_TRIGGER record;
    com_ptr_c<ITaskTrigger> trigger;
    if (trigger_count > 0 && read_first_trigger(task.get(), record, trigger)) item.first_trigger = trigger_record(record);
    item.enabled = item.first_trigger.enabled;
    return item;
} catch (const std::exception&) {
    return std::nullopt;
}

bool remove_scan_task_v1(const std::wstring& name) {
    com_ptr_c<ITaskScheduler> scheduler = make_scheduler();
    if (!scheduler) return false;
    // Wine's scheduler now and then still holds a just-written item open for a moment.
    for (int attempt = 0; attempt < 20; ++attempt) {
        HRESULT result = scheduler->Delete(name.c_str());
        if (result != HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)) return SUCCEEDED(result);
        Sleep(50);
    }
    return false;
}
