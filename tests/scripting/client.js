// A scripting client of both servers, late-bound as a script host reaches them:
//   cscript //nologo client.js <model-set settings file>
// It loads the set in Tarvel, asks probabilities and word ids, and lets Pevra correct a misspelt
// word in context; every answer is printed, one a line, for the caller to compare.
function say(text) { WScript.Echo(text); }
function log10(p) { return p.toFixed(4); }

try {
    var lm = new ActiveXObject("Dravo.LM");
    say("Tarvel Load: " + lm.Load(WScript.Arguments(0)));
    say("Tarvel IsLoaded: " + lm.IsLoaded());
    say("Tarvel GetInfo: \"" + lm.GetInfo() + "\"");
    say("Probability(labai, ilgas, kelias): " + log10(lm.Probability("labai", "ilgas", "kelias")));
    say("Probability(labai, ilgas, kalias): " + log10(lm.Probability("labai", "ilgas", "kalias")));
    say("Probability(, , namas): " + log10(lm.Probability("", "", "namas")));
    var ids = [];
    var words = ["ilgas", "kelias", "labas", "niekas"];
    for (var i = 0; i < words.length; i++) ids.push(words[i] + " " + lm.IsUnknown(words[i]));
    say("IsUnknown: " + ids.join(", "));
    say("ProbabilityId(0, 3, 4): " + log10(lm.ProbabilityId(0, 3, 4)));

    var nolik = new ActiveXObject("Pevra.Nolik");
    say("Pevra Init: " + nolik.Init());
    say("Pevra Analyze(kalas): " + nolik.Analyze("kalas"));
    say("Pevra nearest: " + nolik.GetNearest(0) + " " + nolik.GetNearestValue(0).toFixed(1));
    say("Pevra CheckContext(labai, ilgas): " + nolik.CheckContext("labai", "ilgas"));
    say("Pevra best: " + nolik.GetBest(0));
    // With more weight on the model's probability the context wins over the spelling: kelias
    // follows ilgas in the model, kalias does not.
    nolik.SetStaModelValue(0.5);
    say("Pevra CheckContext(labai, ilgas) at weight 0.5: " + nolik.CheckContext("labai", "ilgas"));
    say("Pevra best: " + nolik.GetBest(0));
    // Pevra lets go of the server; the last release ends it.
    nolik.UnLoadLM();
    say("Tarvel Unload: " + lm.Unload());
} catch (e) {
    say("ERROR: " + (e.description || e.message) + " (0x" + ((e.number < 0 ? e.number + 0x100000000 : e.number)).toString(16) + ")");
    WScript.Quit(1);
}
