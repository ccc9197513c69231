#include "service/scan_request.h"

#include "common/text_convert.h"

#include <tinyxml.h>
#include <zlib.h>

namespace {

// Adds an element whose only child is a CDATA section (TinyXML prints it on its own line).
void add_cdata_element(TiXmlElement& parent, const char* name, const std::string& text) {
    TiXmlElement element(name);
    TiXmlText cdata(text);
    cdata.SetCDATA(true);
    element.InsertEndChild(cdata);
    parent.InsertEndChild(element);
}

// The IDs of a multi-string joined by line feeds; empty when the list is missing or starts empty.
std::string joined_ids(const std::wstring& multi) {
    std::string joined;
    for (const auto& id : split_multi_string(multi)) {
        if (!joined.empty()) joined += '\n';
        joined += wide_to_ansi(id);
    }
    return joined;
}

}  // namespace

std::string build_scan_request(const device_store_c& store, const machine_description_c& machine) {
    TiXmlDocument document;
    document.InsertEndChild(TiXmlDeclaration("1.0", "UTF-8", ""));

    TiXmlElement root("kelvdoc");
    TiXmlElement action("action");
    action.InsertEndChild(TiXmlText("ACTION_UPDATE_DRIVER"));
    root.InsertEndChild(action);

    TiXmlElement client("client");
    client.SetAttribute("version", "");
    client.SetAttribute("os", machine.os_code);
    client.SetAttribute("lang", machine.lang);
    client.SetAttribute("model", wide_to_ansi(machine.model));
    // Read by servers that choose models sections by build and processor; older ones ignore them.
    if (machine.build != 0) client.SetAttribute("build", std::to_string(machine.build));
    if (!machine.machine.empty()) client.SetAttribute("machine", machine.machine);
    // Every text of the answer in UTF-8, whatever the code page: a server that knows this says so
    // in the answer's declaration; an older one ignores it and answers in the code page.
    client.SetAttribute("charset", "utf-8");
    // Packages still being tried are offered only to users who asked for them.
    if (machine.testing_channel) client.SetAttribute("channel", "testing");
    root.InsertEndChild(client);

    TiXmlElement hardwares("hardwares");
    for (const auto& record : store.devices) {
        TiXmlElement hardware("hardware");
        add_cdata_element(hardware, "id", wide_to_ansi(record.instance_path));
        add_cdata_element(hardware, "matchid", wide_to_ansi(record.matching_device_id));
        std::string hardware_ids = joined_ids(record.hardware_ids);
        if (!hardware_ids.empty()) add_cdata_element(hardware, "hardids", hardware_ids);
        std::string compatible_ids = joined_ids(record.compatible_ids);
        if (!compatible_ids.empty()) add_cdata_element(hardware, "compids", compatible_ids);
        hardwares.InsertEndChild(hardware);
    }
    root.InsertEndChild(hardwares);
    document.InsertEndChild(root);

    TiXmlPrinter printer;
    printer.SetIndent("\t");
    printer.SetLineBreak("\n");
    document.Accept(&printer);
    return std::string(printer.CStr(), printer.Size());
}

bool compress_request(std::vector<unsigned char>& out, const std::string& document) {
    z_stream stream{};
    int status = deflateInit(&stream, Z_DEFAULT_COMPRESSION);
    if (status != Z_OK) return false;

    const uLong bound = deflateBound(&stream, uLong(document.size()));
    out.assign(bound, 0);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(document.data()));
    stream.avail_in = uInt(document.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    status = deflate(&stream, Z_FINISH);
    while (status == Z_OK && stream.avail_out == 0) {
        std::size_t produced = out.size();
        out.resize(out.size() + bound);
        stream.next_out = out.data() + produced;
        stream.avail_out = uInt(bound);
        status = deflate(&stream, Z_FINISH);
    }
    if (stream.avail_in != 0 || status != Z_STREAM_END) {
        deflateEnd(&stream);
        return false;
    }
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return true;
}
