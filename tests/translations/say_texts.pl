#!/usr/bin/perl
# Every text the sources give to Say() must have a Chinese translation in the "Message" context
# of the .ts file: a message left out would show up in English in a Chinese window.
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
my %translated;
while ($xml =~ m{<context>\s*<name>Message</name>(.*?)</context>}sg) {
  my $context = $1;
  while ($context =~ m{<source>(.*?)</source>\s*<translation>(.*?)</translation>}sg) {
    $translated{unxml($1)} = unxml($2);
  }
}

my ($texts, $missing) = (0, 0);
for my $file (@sources) {
  open(my $src, '<', $file) or die "$file: $!";
  my $code = <$src>;
  # The adjacent string literals of Say()'s first argument, joined, C escapes undone.
  while ($code =~ /\bSay\(\s*((?:"(?:[^"\\]|\\.)*"\s*)+)/g) {
    my $literals = $1;
    my $text = '';
    $text .= $1 while $literals =~ /"((?:[^"\\]|\\.)*)"/g;
    $text =~ s/\\(["\\])/$1/g;
    ++$texts;
    my $zh = $translated{$text};
    if (!defined $zh || $zh eq '') {
      print "$file: no translation of \"$text\"\n";
      ++$missing;
      next;
    }
    # The translation takes every argument the text has.
    for my $arg ($text =~ /(%[1-9])/g) {
      if (index($zh, $arg) < 0) {
        print "$file: the translation of \"$text\" leaves out $arg\n";
        ++$missing;
      }
    }
  }
}
print "$texts texts, $missing faults\n";
exit($texts > 0 && $missing == 0 ? 0 : 1);
