// The default collection as its files give it (data/defaulttags.xml and
// data/defaultquotes.xml), for tests, tools and benchmarks that fill the
// main page the way the model's first start does, without a database.
#pragma once

#include <tinyxml.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "model/records.h"

namespace pvl::testing {

inline std::vector<Tag> default_tags(const std::string& data_folder) {
  std::vector<Tag> tags;
  TiXmlDocument xml(data_folder + "/defaulttags.xml");
  if (!xml.LoadFile() || !xml.RootElement()) return tags;
  for (const TiXmlElement* e = xml.RootElement()->FirstChildElement(); e;
       e = e->NextSiblingElement())
    tags.push_back({std::atoi(e->Attribute("id")), e->Attribute("name")});
  return tags;
}

// The quotes with their tags, all stamped with the same time.
inline std::vector<Quote> default_quotes(const std::string& data_folder,
                                         const std::vector<Tag>& tags) {
  std::vector<Quote> quotes;
  TiXmlDocument xml(data_folder + "/defaultquotes.xml");
  if (!xml.LoadFile() || !xml.RootElement()) return quotes;
  for (const TiXmlElement* e = xml.RootElement()->FirstChildElement(); e;
       e = e->NextSiblingElement()) {
    Quote quote{std::atoi(e->Attribute("id")), e->Attribute("text"), 1717750000, {}};
    for (const TiXmlElement* t = e->FirstChildElement(); t; t = t->NextSiblingElement())
      for (const Tag& tag : tags)
        if (tag.m_id == std::atoi(t->Attribute("id"))) quote.m_tags.push_back(tag);
    quotes.push_back(quote);
  }
  return quotes;
}

}  // namespace pvl::testing
