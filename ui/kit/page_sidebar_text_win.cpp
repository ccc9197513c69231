#include "ui/kit/page_sidebar_text_win.h"

#include "system/wmi_facts.h"
#include "i18n/language_table.h"
#include "ui/kit/page_sidebar_win.h"

std::vector<accessible_element_c> sidebar_elements(const RECT& client) {
    int left = client.right - sidebar_width;
    std::vector<accessible_element_c> elements;
    accessible_element_c title;
    title.name = language_text("sidebar_system_info");
    title.rect = RECT{client.right - 193, 28, client.right - 5, 50};
    elements.push_back(std::move(title));
    const system_facts_c& facts = system_facts();
    int top = 100;
    for (const sidebar_fact_c& fact : sidebar_facts) {
        accessible_element_c row;
        row.name = language_text(fact.label_key) + L" " + sidebar_fact_text(facts, fact);
        row.rect = RECT{left + 10, top, client.right - 5, top + 30};
        elements.push_back(std::move(row));
        top += 40;
    }
    return elements;
}
