#!/usr/bin/perl
# Every text the sources give to Say() must have a Chinese translation in the "Message" context
# of the .ts file, and every text the window and the console translate themselves (through
# QCoreApplication::translate, directly or by a helper that calls it with one context) in that
# helper's context: a text left out would show up in English in a Chinese window.
#   say_texts.pl TS SOURCE...
use strict;
use warnings;

my ($ts, @sources) = @ARGV;
local $/;

sub unxml {
  my ($s) = @_;
  $s =~ s/&lt;/</g; $s =~ s/&gt;/>/g; $s =~ s/&quot;/"/g; $s =~ s/&apos;/'/g; $s =~ s/&amp;/&/g;
  return $s;
}

open(my $in, '<', $ts) or die "$ts: $!";
my $xml = <$in>;
my %translated;  # context => { source => translation }
while ($xml =~ m{<context>\s*<name>(.*?)</name>(.*?)</context>}sg) {
  my ($name, $context) = ($1, $2);
  while ($context =~ m{<source>(.*?)</source>\s*<translation>(.*?)</translation>}sg) {
    $translated{$name}{unxml($1)} = unxml($2);
  }
}

# The adjacent string literals at the start of `$literals`, joined, C escapes undone.
my $LITERALS = qr/((?:"(?:[^"\\]|\\.)*"\s*)+)/;
sub joined {
  my ($literals) = @_;
  my $text = '';
  $text .= $1 while $literals =~ /"((?:[^"\\]|\\.)*)"/g;
  $text =~ s/\\(["\\])/$1/g;
  return $text;
}

my ($texts, $missing) = (0, 0);
sub check {
  my ($file, $context, $text) = @_;  # copies: the caller's $1 is clobbered by any match
  ++$texts;
  my $zh = $translated{$context}{$text};
  if (!defined $zh || $zh eq '') {
    print "$file: no translation of \"$text\" in $context\n";
    ++$missing;
    return;
  }
  # The translation takes every argument the text has.
  for my $arg ($text =~ /(%[1-9])/g) {
    if (index($zh, $arg) < 0) {
      print "$file: the translation of \"$text\" in $context leaves out $arg\n";
      ++$missing;
    }
  }
}

for my $file (@sources) {
  open(my $src, '<', $file) or die "$file: $!";
  my $code = <$src>;
  check($file, 'Message', joined($1)) while $code =~ /\bSay(?:Later)?\(\s*$LITERALS/g;
  while ($code =~ /\btranslate\(\s*"([^"]+)"\s*,\s*$LITERALS/g) {
    my ($context, $literals) = ($1, $2);
    check($file, $context, joined($literals));
  }
  # Helpers: a function or a lambda of one `const char*` that returns its translation in one
  # context. A call is checked against the nearest helper of its name above it.
  my @helpers;  # [position, name, context]
  while ($code =~ /\b(\w+)\s*(?:=\s*\[\]\s*)?\(const\s+char\*\s*\w+\)\s*(?:->\s*\w+\s*)?\{\s*
                   return\s+QCoreApplication::translate\(\s*"([^"]+)"\s*,\s*\w+\s*\)/gx) {
    push @helpers, [pos($code), $1, $2];
  }
  for my $helper (@helpers) {
    my $name = $helper->[1];
    while ($code =~ /\b\Q$name\E\(\s*$LITERALS/g) {
      my ($at, $text) = (pos($code), joined($1));
      my ($nearest) = grep { $_->[1] eq $name && $_->[0] < $at } reverse @helpers;
      next unless $nearest && $nearest == $helper;
      check($file, $helper->[2], $text);
    }
  }
}
# The console's own lines: a text the console prints to a person (stderr, through Tell, Refuse
# or a sink's report) starts from Say(), never from a bare literal; only "ctrlprog-cli: " and
# placeholders may stand around it.
my $console = 0;
for my $file (grep { m{/src/(?:cli|front|linedb|record|station)/} } @sources) {
  open(my $src, '<', $file) or die "$file: $!";
  my $code = <$src>;
  $code =~ s{//[^\n]*}{}g;  # comments say what they like
  while ($code =~ /\b(Tell|Refuse|report_?)\(\s*("(?:[^"\\]|\\.)*")/g) {
    print "$file: $1($2...) prints a text without Say()\n";
    ++$console;
  }
  while ($code =~ /\bfprintf\(\s*stderr\s*,\s*"((?:[^"\\]|\\.)*)"|\bfputs\(\s*"((?:[^"\\]|\\.)*)"\s*,\s*stderr/g) {
    my $format = defined $1 ? $1 : $2;
    (my $words = $format) =~ s/^ctrlprog-cli: |%[-.*0-9]*l*[sdu]|\\n|[:\s]//g;
    next if $words eq '';
    print "$file: \"$format\" is printed without Say()\n";
    ++$console;
  }
}
# A reason built in the logic for the operator ("the index ... cannot be opened: ..."): a literal
# that begins as our sentences do starts a Say(), or continues one.
for my $file (grep { m{/src/(?:cli|front|index|linedb|linedb_pg|record|scan|station)/} } @sources) {
  open(my $src, '<', $file) or die "$file: $!";
  my $code = <$src>;
  $code =~ s{//[^\n]*}{}g;
  while ($code =~ /"((?:the|no|cannot|a |an ) ?(?:[^"\\]|\\.)*)"/g) {
    my ($text, $before) = ($1, substr($code, 0, $-[0]));
    $before =~ s/\s+$//;
    next if $before =~ /"$/ || $before =~ /\b(?:Say|SayLater|Tr)\($/;
    print "$file: \"$text\" is said without Say()\n";
    ++$console;
  }
}
$missing += $console;

print "$texts texts, $missing faults\n";
exit($texts > 0 && $missing == 0 ? 0 : 1);
