#include "command_line_docs.h"

#include <ctype.h>

#include <algorithm>
#include <set>
#include <vector>

#include "id_info.h"
#include "query_setup.h"

namespace orvtool {
namespace {

// Text inside a POD paragraph: the angle brackets of formatting codes escaped.
std::string pod_text(const std::string& s) {
  std::string e;
  for (char c : s) {
    if (c == '<') {
      e += "E<lt>";
    } else if (c == '>') {
      e += "E<gt>";
    } else {
      e += c;
    }
  }
  return e;
}

// "B<-s>, B<--selector> I<INDEX=VALUE>", or "I<DOMAIN>".
std::string pod_item(const OptionDoc& o) {
  if (o.positional) return "I<" + pod_text(o.names[0]) + ">";
  std::string s;
  for (const std::string& n : o.names) s += (s.empty() ? "" : ", ") + ("B<" + pod_text(n) + ">");
  if (!o.value.empty()) s += " I<" + pod_text(o.value) + ">";
  return s;
}

// --help and --help-all, which every subcommand takes.
bool is_help(const OptionDoc& o) {
  for (const std::string& n : o.names) {
    if (n == "--help" || n == "--help-all") return true;
  }
  return false;
}

// A subcommand's words after its name: "I<DOMAIN> I<ID> [I<options>]".
std::string pod_usage(const SubcommandDoc& sub) {
  std::string s;
  bool options = false;
  for (const OptionDoc& o : sub.options) {
    if (o.positional) {
      s += " " + (o.required ? pod_item(o) : "[" + pod_item(o) + "]");
    } else if (!is_help(o)) {
      options = true;
    }
  }
  return s + (options ? " [I<options>]" : "");
}

// A help line as a sentence: capitalised, with its full stop.
std::string sentence(std::string s) {
  if (!s.empty()) s[0] = static_cast<char>(toupper(static_cast<unsigned char>(s[0])));
  if (!s.empty() && s.back() != '.') s += '.';
  return s;
}

// The options as an item list; a subcommand's without the help options.
void write_items(const std::vector<OptionDoc>& options, bool with_help, std::ostream& out) {
  out << "=over 4\n\n";
  for (const OptionDoc& o : options) {
    if (!with_help && is_help(o)) continue;
    std::string help = o.help + (o.repeatable ? "; may be given more than once" : "");
    out << "=item " << pod_item(o) << "\n\n" << pod_text(sentence(help)) << "\n\n";
  }
  out << "=back\n\n";
}

// Every word of a list, for bash.
std::string words(const std::vector<std::string>& list) {
  std::string s;
  for (const std::string& w : list) s += (s.empty() ? "" : " ") + w;
  return s;
}

// What a positional takes, by its name: file names of images, or domains.
bool is_file(const OptionDoc& o) {
  return o.value == "FILE" || (o.positional && (o.names[0] == "OLD" || o.names[0] == "NEW"));
}
bool is_domain(const OptionDoc& o) { return o.positional && o.names[0] == "DOMAIN"; }

}  // namespace

void write_synopsis_pod(const std::string& program, const CommandLineDoc& doc, std::ostream& out) {
  for (const SubcommandDoc& sub : doc.subcommands) {
    out << "B<" << program << "> [B<--image> I<FILE>] B<" << sub.name << ">" << pod_usage(sub)
        << "\n\n";
  }
  out << "B<" << program << "> B<--help> | B<--help-all> | B<--version>\n\n";
}

void write_options_pod(const CommandLineDoc& doc, std::ostream& out) {
  write_items(doc.options, true, out);
}

void write_subcommands_pod(const CommandLineDoc& doc, std::ostream& out) {
  for (const SubcommandDoc& sub : doc.subcommands) {
    out << "=head2 " << sub.name << pod_usage(sub) << "\n\n"
        << pod_text(sentence(sub.summary)) << "\n\n";
    write_items(sub.options, false, out);
  }
}

void write_exit_status_pod(std::ostream& out) {
  out << "=over 4\n\n";
  for (const ExitStatusMeaning& e : kExitStatuses) {
    out << "=item B<" << e.status << ">\n\n" << pod_text(sentence(e.meaning)) << "\n\n";
  }
  out << "=back\n\n";
}

void write_bash_completion(const std::string& program, const CommandLineDoc& doc,
                           std::ostream& out) {
  // Options that take a value, those whose value is a file, and the names
  // of the options given before or after any subcommand.
  std::set<std::string> valued, files;
  std::vector<std::string> global;
  auto note = [&](const OptionDoc& o) {
    if (o.positional || o.value.empty()) return;
    for (const std::string& n : o.names) (is_file(o) ? files : valued).insert(n);
  };
  for (const OptionDoc& o : doc.options) {
    note(o);
    global.insert(global.end(), o.names.begin(), o.names.end());
  }
  std::vector<std::string> subcommands;
  for (const SubcommandDoc& sub : doc.subcommands) {
    subcommands.push_back(sub.name);
    for (const OptionDoc& o : sub.options) note(o);
  }
  std::string valued_pattern, files_pattern;
  for (const std::string& n : valued) valued_pattern += (valued_pattern.empty() ? "" : "|") + n;
  for (const std::string& n : files) files_pattern += (files_pattern.empty() ? "" : "|") + n;
  std::string all_pattern = valued_pattern + (files_pattern.empty() ? "" : "|" + files_pattern);
  std::string domains;
  for (Domain d : all_domains())
    domains += (domains.empty() ? "" : " ") + std::string(domain_name(d));
  const std::string fn = "_" + program;

  out << "# bash completion for " << program << ": its subcommands, their options, the\n"
      << "# domains and image file names. Written by orvdb_docs from the tool's own\n"
      << "# command line; not to be edited.\n"
      << fn << "() {\n"
      << "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      << "  local sub=\"\" word i\n"
      << "  local -a positionals=()\n"
      << "  # The words before the cursor: the subcommand, then its positionals;\n"
      << "  # options are passed over with their values (bash splits NAME=VALUE at '=').\n"
      << "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
      << "    word=${COMP_WORDS[i]}\n"
      << "    case $word in\n"
      << "      =) ((i++)) ;;\n"
      << "      " << all_pattern << ")\n"
      << "        if [[ ${COMP_WORDS[i+1]} == = ]]; then ((i += 2)); else ((i++)); fi ;;\n"
      << "      -*) ;;\n"
      << "      *) if [[ -z $sub ]]; then sub=$word; else positionals+=(\"$word\"); fi ;;\n"
      << "    esac\n"
      << "  done\n"
      << "  # An option's value: a file name, or nothing to offer.\n"
      << "  local option=$prev\n"
      << "  [[ $prev == = ]] && option=${COMP_WORDS[COMP_CWORD-2]}\n"
      << "  case $option in\n"
      << "    " << files_pattern << ")\n"
      << "      compopt -o filenames 2>/dev/null\n"
      << "      mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
      << "      return ;;\n"
      << "    " << valued_pattern << ")\n"
      << "      COMPREPLY=()\n"
      << "      return ;;\n"
      << "  esac\n"
      << "  if [[ $prev == = ]]; then COMPREPLY=(); return; fi\n"
      << "  local offer\n"
      << "  if [[ $cur == -* ]]; then\n"
      << "    case $sub in\n";
  for (const SubcommandDoc& sub : doc.subcommands) {
    std::vector<std::string> names = global;
    for (const OptionDoc& o : sub.options) {
      if (o.positional) continue;
      for (const std::string& n : o.names) {
        if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
      }
    }
    out << "      " << sub.name << ") offer=\"" << words(names) << "\" ;;\n";
  }
  out << "      *) offer=\"" << words(global) << "\" ;;\n"
      << "    esac\n"
      << "    mapfile -t COMPREPLY < <(compgen -W \"$offer\" -- \"$cur\")\n"
      << "    return\n"
      << "  fi\n"
      << "  if [[ -z $sub ]]; then\n"
      << "    mapfile -t COMPREPLY < <(compgen -W \"" << words(subcommands) << "\" -- \"$cur\")\n"
      << "    return\n"
      << "  fi\n"
      << "  # A positional: domains, image files, or nothing to offer.\n"
      << "  case $sub:${#positionals[@]} in\n";
  std::vector<std::string> domain_places, file_places;
  for (const SubcommandDoc& sub : doc.subcommands) {
    int place = 0;
    for (const OptionDoc& o : sub.options) {
      if (!o.positional) continue;
      std::string key = sub.name + ":" + std::to_string(place++);
      if (is_domain(o)) domain_places.push_back(key);
      if (is_file(o)) file_places.push_back(key);
    }
  }
  auto pattern = [](const std::vector<std::string>& keys) {
    std::string p;
    for (const std::string& k : keys) p += (p.empty() ? "" : "|") + k;
    return p;
  };
  if (!domain_places.empty()) {
    out << "    " << pattern(domain_places) << ")\n"
        << "      mapfile -t COMPREPLY < <(compgen -W \"" << domains << "\" -- \"$cur\") ;;\n";
  }
  if (!file_places.empty()) {
    out << "    " << pattern(file_places) << ")\n"
        << "      compopt -o filenames 2>/dev/null\n"
        << "      mapfile -t COMPREPLY < <(compgen -f -- \"$cur\") ;;\n";
  }
  out << "    *) COMPREPLY=() ;;\n"
      << "  esac\n"
      << "}\n"
      << "complete -F " << fn << " " << program << "\n";
}

}  // namespace orvtool
