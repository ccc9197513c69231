#include "system/scan_task_xml.h"

#include "system/command_line.h"
#include "common/text_convert.h"

#include <tinyxml.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* const weekday_names[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

TiXmlElement* add(TiXmlNode& parent, const char* name) {
    return parent.LinkEndChild(new TiXmlElement(name))->ToElement();
}

void add(TiXmlNode& parent, const char* name, const std::string& text) {
    add(parent, name)->LinkEndChild(new TiXmlText(text));
}

std::string print(const TiXmlDocument& document) {
    TiXmlPrinter printer;
    printer.SetIndent("  ");
    printer.SetLineBreak("\r\n");
    document.Accept(&printer);
    return printer.Str();
}

const TiXmlElement* child(const TiXmlElement* parent, const char* name) {
    return parent ? parent->FirstChildElement(name) : nullptr;
}

std::string text_of(const TiXmlElement* element) {
    const char* text = element ? element->GetText() : nullptr;
    return text ? text : "";
}

bool flag_of(const TiXmlElement* element, bool missing) {
    if (!element) return missing;
    std::string text = text_of(element);
    return text == "true" || text == "1";
}

bool parse(const std::wstring& xml, TiXmlDocument& document) {
    document.Parse(wide_to_utf8(xml).c_str(), nullptr, TIXML_ENCODING_UTF8);
    const TiXmlElement* root = document.RootElement();
    return !document.Error() && root && std::strcmp(root->Value(), "Task") == 0;
}

}  // namespace

std::wstring scan_task_xml(const std::wstring& account, const std::wstring& application, const weekly_start_c& start) {
    const std::string user = wide_to_utf8(account);
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-16", ""));
    TiXmlElement* task = add(document, "Task");
    task->SetAttribute("version", "1.2");
    task->SetAttribute("xmlns", "http://schemas.microsoft.com/windows/2004/02/mit/task");

    TiXmlElement* info = add(*task, "RegistrationInfo");
    add(*info, "Author", user);
    add(*info, "Description", wide_to_utf8(scan_task_comment));

    TiXmlElement* trigger = add(*add(*task, "Triggers"), "CalendarTrigger");
    add(*trigger, "StartBoundary", wide_to_utf8(start_boundary_text(start.first_run)));
    add(*trigger, "Enabled", "true");
    TiXmlElement* weekly = add(*trigger, "ScheduleByWeek");
    TiXmlElement* days = add(*weekly, "DaysOfWeek");
    for (int day = 0; day < 7; ++day)
        if (start.days_of_week & (1u << day)) add(*days, weekday_names[day]);
    add(*weekly, "WeeksInterval", "1");

    TiXmlElement* principal = add(*add(*task, "Principals"), "Principal");
    principal->SetAttribute("id", "Author");
    add(*principal, "UserId", user);
    add(*principal, "LogonType", "InteractiveToken");
    add(*principal, "RunLevel", "LeastPrivilege");

    TiXmlElement* settings = add(*task, "Settings");
    add(*settings, "MultipleInstancesPolicy", "IgnoreNew");
    add(*settings, "DisallowStartIfOnBatteries", "false");
    add(*settings, "StopIfGoingOnBatteries", "false");
    add(*settings, "StartWhenAvailable", "true");
    add(*settings, "Enabled", "true");
    add(*settings, "ExecutionTimeLimit", "PT0S");

    TiXmlElement* actions = add(*task, "Actions");
    actions->SetAttribute("Context", "Author");
    TiXmlElement* program = add(*actions, "Exec");
    add(*program, "Command", wide_to_utf8(application));
    add(*program, "Arguments", wide_to_utf8(autorun_switch));
    return utf8_to_wide(print(document));
}

std::optional<scan_task_record_c> read_scan_task_xml(const std::wstring& xml) {
    TiXmlDocument document;
    if (!parse(xml, document)) return std::nullopt;
    const TiXmlElement* task = document.RootElement();
    scan_task_record_c record;
    record.scheduler = 2;
    record.comment = utf8_to_wide(text_of(child(child(task, "RegistrationInfo"), "Description")));

    const TiXmlElement* principal = child(child(task, "Principals"), "Principal");
    record.account = utf8_to_wide(text_of(child(principal, "UserId")));
    const std::string logon = text_of(child(principal, "LogonType"));
    record.logon_type = logon == "InteractiveToken" ? 3 : logon == "Password" ? 1 : logon == "S4U" ? 2 : 0;

    const TiXmlElement* settings = child(task, "Settings");
    record.disallow_start_on_batteries = flag_of(child(settings, "DisallowStartIfOnBatteries"), true);
    record.stop_going_on_batteries = flag_of(child(settings, "StopIfGoingOnBatteries"), true);
    record.start_when_available = flag_of(child(settings, "StartWhenAvailable"), false);
    record.enabled = flag_of(child(settings, "Enabled"), true);
    const TiXmlElement* limit = child(settings, "ExecutionTimeLimit");
    record.execution_time_limit = limit ? utf8_to_wide(text_of(limit)) : L"PT72H";

    const TiXmlElement* program = child(child(task, "Actions"), "Exec");
    record.application = utf8_to_wide(text_of(child(program, "Command")));
    record.parameters = utf8_to_wide(text_of(child(program, "Arguments")));

    const TiXmlElement* triggers = child(task, "Triggers");
    for (const TiXmlElement* trigger = triggers ? triggers->FirstChildElement() : nullptr; trigger;
         trigger = trigger->NextSiblingElement())
        ++record.trigger_count;
    const TiXmlElement* first = triggers ? triggers->FirstChildElement() : nullptr;
    if (first) {
        scan_trigger_record_c& trigger = record.first_trigger;
        trigger.start_boundary = utf8_to_wide(text_of(child(first, "StartBoundary")));
        trigger.enabled = flag_of(child(first, "Enabled"), true);
        const TiXmlElement* weekly = child(first, "ScheduleByWeek");
        trigger.weekly = std::strcmp(first->Value(), "CalendarTrigger") == 0 && weekly;
        if (trigger.weekly) {
            const TiXmlElement* interval = child(weekly, "WeeksInterval");
            trigger.weeks_interval = interval ? std::atoi(text_of(interval).c_str()) : 1;
            for (int day = 0; day < 7; ++day)
                if (child(child(weekly, "DaysOfWeek"), weekday_names[day])) trigger.days_of_week |= std::uint16_t(1u << day);
        }
    }
    return record;
}

std::optional<std::wstring> scan_task_xml_enabled(const std::wstring& xml, bool enabled) {
    TiXmlDocument document;
    if (!parse(xml, document)) return std::nullopt;
    TiXmlElement* task = document.RootElement();
    TiXmlElement* settings = task->FirstChildElement("Settings");
    if (!settings) settings = add(*task, "Settings");
    TiXmlElement* flag = settings->FirstChildElement("Enabled");
    if (!flag) flag = add(*settings, "Enabled");
    flag->Clear();
    flag->LinkEndChild(new TiXmlText(enabled ? "true" : "false"));
    return utf8_to_wide(print(document));
}
