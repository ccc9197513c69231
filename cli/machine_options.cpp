#include "cli/machine_options.h"

#include "common/text_convert.h"

bool machine_options_c::take_option(argument_reader_c& reader) {
    using empty = argument_reader_c::empty_value_c;
    std::string text;
    int os_version = 0, lang = 0;
    unsigned build = 0;
    if (reader.take_value("--os", text, empty::refused)) {
        os_code_ = text;
    } else if (reader.take_value("--model", text)) {
        model_ = utf8_to_wide(text);
    } else if (reader.take_number("--os-version", 1, 1000, os_version)) {
        os_version_number_ = os_version;
    } else if (reader.take_number("--build", 1, 0xFFFFFFFFu, build)) {
        build_ = build;
    } else if (reader.take_value("--machine", text, empty::refused)) {
        if (text != "x86" && text != "amd64" && text != "arm64")
            reader.refuse("--machine takes x86, amd64 or arm64, not \"" + text + "\"");
        machine_ = text;
    } else if (reader.take_value("--channel", text, empty::refused)) {
        if (text != "stable" && text != "testing") reader.refuse("--channel takes stable or testing, not \"" + text + "\"");
        testing_channel_ = text == "testing";
    } else if (reader.take_number("--lang", 0, 0x7FFFFFFF, lang)) {
        lang_ = lang;
    } else {
        return false;
    }
    return true;
}

machine_description_c machine_options_c::description() const {
    machine_description_c machine;
    machine.os_code = os_code_.value_or("");
    machine.model = model_.value_or(L"");
    machine.lang = lang_.value_or(0);
    machine.os_version_number = os_version_number_.value_or(0);
    machine.build = build_.value_or(0);
    machine.machine = machine_.value_or("");
    machine.testing_channel = testing_channel_.value_or(false);
    return machine;
}
